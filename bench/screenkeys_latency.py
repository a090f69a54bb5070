#!/usr/bin/env python3
# One screen size of bench/bench_screenkeys.sh, run on its X server: prints
# a table row per format and one for `import -window root shot.bmp`.
import ctypes, os, shutil, statistics, subprocess, sys, tempfile, time

bin_dir = sys.argv[1]
args = sys.argv[2:]
runs, formats = 5, ["bmp"]
while args:
    option, value = args[0], args[1]
    args = args[2:]
    if option == "--runs": runs = int(value)
    elif option == "--formats": formats = value.split(",")
    else: sys.exit("usage: screenkeys_latency.py BIN_DIR [--runs N] [--formats bmp,jpg,png]")

settings = {
    "bmp": "",
    "jpg": "[ImageExtensionJPG]\nSaveExtensionJPG=True\n\n[QualityValue]\nQualityValue=75\n",
    "png": "[ImageExtensionPNG]\nSaveExtensionPNG=True\n",
}

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]

def wait_for(condition, seconds=60):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            sys.exit("bench_screenkeys.sh: timed out")
        time.sleep(0.001)

def peak_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0

def median_best(values):
    return "%.1f (best %.1f)" % (statistics.median(values), min(values))

rows = []
display = os.environ["DISPLAY"]
for size in [os.environ["PICTARRO_XVFB_SCREEN"].rsplit("x", 1)[0]]:
    work = tempfile.mkdtemp(prefix="screenkeys-")
    env = dict(os.environ, DISPLAY=display, HOME=work, XDG_CONFIG_HOME=work + "/config",
               XDG_DATA_HOME=work + "/data", XDG_RUNTIME_DIR=work + "/runtime")
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("QT_QPA_PLATFORM", None)
    os.makedirs(work + "/runtime", mode=0o700)
    width, height = (int(n) for n in size.split("x"))
    picture = work + "/photo.png"
    subprocess.run(["convert", "-size", "%dx%d" % (width // 2, height // 2), "plasma:fractal",
                    "-blur", "0x1", picture], check=True, env=env)
    shown = subprocess.Popen(["display", "-geometry", "+%d+%d" % (width // 3, height // 3),
                              picture], env=env)
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        sys.exit("bench_screenkeys.sh: cannot open the display " + display)
    print_key = x11.XKeysymToKeycode(dpy, 0xff61)
    try:
        for fmt in formats:
            program = work + "/program-" + fmt
            os.makedirs(program)
            for name in ("Pictarro", "libbmp2jpeg.so", "libPictarroPicBox.so"):
                shutil.copy2(os.path.join(bin_dir, name), program)
            os.makedirs(work + "/config/Pictarro", exist_ok=True)
            with open(work + "/config/Pictarro/1.ini", "w") as ini:
                ini.write(settings[fmt])
            folder = program + "/Captured Screens"
            pictarro = subprocess.Popen([program + "/Pictarro"], env=env,
                                        stdout=subprocess.DEVNULL)
            wait_for(lambda: os.path.isdir(folder))
            time.sleep(2)  # its window drawn and its keys taken
            peak_before = peak_kb(pictarro.pid)
            times = []
            for run in range(runs + 1):
                name = "%s/Pictarro %d.%s" % (folder, run + 1, fmt)
                start = time.perf_counter()
                xtst.XTestFakeKeyEvent(dpy, print_key, 1, 0)
                xtst.XTestFakeKeyEvent(dpy, print_key, 0, 0)
                x11.XFlush(dpy)
                wait_for(lambda: os.path.exists(name))
                if run > 0:
                    times.append((time.perf_counter() - start) * 1000)
                time.sleep(0.5)
            rows.append((size, "Pictarro, PrintScreen to ." + fmt, median_best(times),
                         "+%d" % ((peak_kb(pictarro.pid) - peak_before) // 1024)))
            pictarro.terminate()
            pictarro.wait()
            shutil.rmtree(work + "/config")
        times = []
        peak = 0
        for run in range(runs + 1):
            start = time.perf_counter()
            grab = subprocess.Popen(["import", "-silent", "-window", "root", work + "/shot.bmp"],
                                    env=env)
            _, status, usage = os.wait4(grab.pid, 0)
            grab.returncode = status
            if status != 0:
                sys.exit("bench_screenkeys.sh: import failed")
            if run > 0:
                times.append((time.perf_counter() - start) * 1000)
            peak = max(peak, usage.ru_maxrss)
            os.remove(work + "/shot.bmp")
        rows.append((size, "import -window root shot.bmp", median_best(times), "%d" % (peak // 1024)))
    finally:
        x11.XCloseDisplay(dpy)
        shown.terminate()
        shown.wait()
        shutil.rmtree(work, ignore_errors=True)

for row in rows:
    print("| %s | %s | %s | %s |" % row)
