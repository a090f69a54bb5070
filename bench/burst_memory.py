#!/usr/bin/env python3
# One run of bench/burst_memory.sh on its X server: for each way in and each
# format, a Pictarro at rest, a burst of captures of mixed sizes, rest, a
# second burst, rest; prints one table row of resident memory (VmRSS) each.
import os, shutil, struct, subprocess, sys, tempfile, threading, time, zlib

build = sys.argv[1]
args = sys.argv[2:]
captures, formats, ways, pictures = 60, ["bmp"], ["offer"], "photo"
bin_dir = os.path.join(build, "bin")
sizes = [(1920, 1080), (3840, 2160), (7680, 4320)]
while args:
    option, value = args[0], args[1]
    args = args[2:]
    if option == "--captures": captures = int(value)
    elif option == "--formats": formats = value.split(",")
    elif option == "--ways": ways = value.split(",")
    elif option == "--bin": bin_dir = value
    elif option == "--pictures": pictures = value
    elif option == "--sizes":
        sizes = [tuple(int(n) for n in size.split("x")) for size in value.split(",")]
    else: sys.exit("usage: burst_memory.py BUILD [--captures N] [--formats bmp,jpg,png] "
                   "[--ways offer,handover,printscreen] [--sizes WxH,...] [--bin DIR] "
                   "[--pictures photo|screen]")

settings = {
    "bmp": "",
    "jpg": "[ImageExtensionJPG]\nSaveExtensionJPG=True\n\n[QualityValue]\nQualityValue=75\n",
    "png": "[ImageExtensionPNG]\nSaveExtensionPNG=True\n",
}
agent = os.path.join(build, "tests", "clipboard_agent")

def fail(message):
    sys.exit("burst_memory.sh: " + message)

def wait_for(condition, what, seconds=120):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            fail("timed out waiting for " + what)
        time.sleep(0.005)

def status_mb(pid, field):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1]) / 1024
    return 0

class Peak:
    """The highest VmRSS seen, sampled every 20 ms while a burst runs."""
    def __init__(self, pid):
        self.pid, self.peak, self.running = pid, 0, True
        self.thread = threading.Thread(target=self.sample)
        self.thread.start()
    def sample(self):
        while self.running:
            try:
                self.peak = max(self.peak, status_mb(self.pid, "VmRSS"))
            except OSError:
                return  # it ended: the burst says how
            time.sleep(0.02)
    def stop(self):
        self.running = False
        self.thread.join()
        return self.peak

def press_print_screen():
    import ctypes
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
    dpy = x11.XOpenDisplay(os.environ["DISPLAY"].encode())
    key = x11.XKeysymToKeycode(dpy, 0xff61)
    xtst.XTestFakeKeyEvent(dpy, key, 1, 0)
    xtst.XTestFakeKeyEvent(dpy, key, 0, 0)
    x11.XFlush(dpy)
    x11.XCloseDisplay(dpy)

def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))

def noise_png(path, width, height):
    """A PNG of random pixels, as large as a photograph's gets: stored,
    not compressed (noise does not compress), so it is quick to make."""
    row = width * 3
    rows = bytearray(os.urandom((row + 1) * height))
    rows[::row + 1] = bytes(height)  # each row's filter byte: none
    with open(path, "wb") as png:
        png.write(b"\x89PNG\r\n\x1a\n")
        png.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        png.write(chunk(b"IDAT", zlib.compress(bytes(rows), 0)))
        png.write(chunk(b"IEND", b""))

def capture(way, n, env):
    width, height = sizes[n % len(sizes)]
    if way == "offer" and pictures == "photo":
        # xclip serves picture n until Pictarro takes it off the clipboard.
        path = os.path.join(env["HOME"], "offered.png")
        noise_png(path, width, height)
        return subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-i",
                                 path], env=env, stdout=subprocess.DEVNULL)
    if way == "offer":
        # Offers picture n and exits once Pictarro took it off the clipboard.
        subprocess.run([agent, "feed", str(n), "1", str(width), str(height)], env=env,
                       stdout=subprocess.DEVNULL, check=True)
    elif way == "handover":
        # Copies picture n and quits: handed over to Pictarro, the manager.
        subprocess.run([agent, "copy-and-quit", "picture", str(n), str(width), str(height)],
                       env=env, stdout=subprocess.DEVNULL, check=True)
    else:
        press_print_screen()

missed = 0  # handovers given up by the manager, copied again

def burst(way, first, folder, fmt, env, pictarro):
    global missed
    for n in range(first, first + captures):
        owner = capture(way, n, env)
        name = "%s/Pictarro %d.%s" % (folder, n, fmt)
        if way == "handover":
            # A program that takes longer than the manager waits (3 s
            # without a byte: Qt encodes an 8K PNG slowly on a busy machine)
            # is let go with nothing kept; the same picture is copied again.
            for _ in range(5):
                try:
                    wait_for(lambda: os.path.exists(name) or pictarro.poll() is not None, name, 20)
                    break
                except SystemExit:
                    missed += 1
                    capture(way, n, env)
        wait_for(lambda: os.path.exists(name) or pictarro.poll() is not None, name)
        if pictarro.poll() is not None:
            fail("Pictarro ended (%d) at capture %d" % (pictarro.returncode, n))
        if owner:
            owner.wait()  # once the clipboard was emptied

print("| way in | format | before | peak | 15 s after | 60 s after | second burst + 60 s |")
print("|---|---|---|---|---|---|---|")
sys.stdout.flush()
for way in ways:
    for fmt in formats:
        work = tempfile.mkdtemp(prefix="burst-memory-")
        env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=work + "/config",
                   XDG_DATA_HOME=work + "/data", XDG_RUNTIME_DIR=work + "/runtime")
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("QT_QPA_PLATFORM", None)
        os.makedirs(work + "/runtime", mode=0o700)
        program = work + "/program"
        os.makedirs(program)
        for name in ("Pictarro", "libbmp2jpeg.so", "libPictarroPicBox.so"):
            shutil.copy2(os.path.join(bin_dir, name), program)
        os.makedirs(work + "/config/Pictarro")
        with open(work + "/config/Pictarro/1.ini", "w") as ini:
            ini.write(settings[fmt])
        folder = program + "/Captured Screens"
        pictarro = subprocess.Popen([program + "/Pictarro"], env=env, stdout=subprocess.DEVNULL)
        try:
            wait_for(lambda: os.path.isdir(folder), folder)
            time.sleep(5)  # started, its window drawn, at rest
            before = status_mb(pictarro.pid, "VmRSS")
            peak = Peak(pictarro.pid)
            burst(way, 1, folder, fmt, env, pictarro)
            peak_mb = peak.stop()
            time.sleep(15)
            after15 = status_mb(pictarro.pid, "VmRSS")
            time.sleep(45)
            after60 = status_mb(pictarro.pid, "VmRSS")
            burst(way, captures + 1, folder, fmt, env, pictarro)
            time.sleep(60)
            second = status_mb(pictarro.pid, "VmRSS")
            print("| %s | %s | %.0f MB | %.0f MB | %.0f MB (%+.0f) | %.0f MB (%+.0f) | %.0f MB (%+.0f) |"
                  % (way, fmt, before, peak_mb, after15, after15 - before, after60,
                     after60 - before, second, second - before))
            if missed:
                print("(%d handovers given up by the manager and copied again)" % missed)
                missed = 0
            sys.stdout.flush()
        finally:
            pictarro.terminate()
            pictarro.wait()
            shutil.rmtree(work, ignore_errors=True)
