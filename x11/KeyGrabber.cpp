#include "KeyGrabber.h"

#include "XConnection.h"

#include <QLoggingCategory>
#include <QSocketNotifier>
#include <algorithm>
#include <vector>

namespace platform {

namespace {

// QT_LOGGING_RULES="pictarro.keys.debug=true" follows every key event.
Q_LOGGING_CATEGORY(lcKeys, "pictarro.keys", QtWarningMsg)

// Keysyms (X11/keysymdef.h).
constexpr xcb_keysym_t PrintSym = 0xff61;
constexpr xcb_keysym_t NumLockSym = 0xff7f;
constexpr xcb_keysym_t ScrollLockSym = 0xff14;
constexpr xcb_keysym_t AltLSym = 0xffe9;
constexpr xcb_keysym_t AltRSym = 0xffea;

constexpr uint8_t BadAccess = 10;

struct Grab
{
    ScreenKey key;
    xcb_keycode_t keycode;
    uint16_t modifiers;
};

} // namespace

QString screenKeyName(ScreenKey key)
{
    return key == ScreenKey::PrintScreen ? QStringLiteral("PrintScreen")
                                         : QStringLiteral("Alt+PrintScreen");
}

struct KeyGrabber::X
{
    XConnection connection;
    std::unique_ptr<QSocketNotifier> notifier;
    std::vector<Grab> grabs; // every combination held now
    uint16_t altMask = XCB_MOD_MASK_1;
    uint16_t lockMasks = XCB_MOD_MASK_LOCK; // the modifiers that do not count
    xcb_keycode_t lastReleased = 0;
    xcb_timestamp_t lastReleaseTime = 0;

    // The keyboard as mapped now: the keycodes that give PrintScreen, and
    // which modifier bits Alt, NumLock and ScrollLock are on.
    std::vector<xcb_keycode_t> printKeycodes();
    void readModifiers();
    void ungrab();
};

std::vector<xcb_keycode_t> KeyGrabber::X::printKeycodes()
{
    std::vector<xcb_keycode_t> keycodes;
    xcb_connection_t *c = connection.get();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const XcbPtr<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)), nullptr));
    if (!mapping || mapping->keysyms_per_keycode == 0)
        return keycodes;
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    const int listed = xcb_get_keyboard_mapping_keysyms_length(mapping.get()) / perKey;
    for (int k = 0; k < listed; ++k) {
        for (int level = 0; level < perKey; ++level) {
            if (syms[k * perKey + level] == PrintSym) {
                keycodes.push_back(static_cast<xcb_keycode_t>(setup->min_keycode + k));
                break;
            }
        }
    }
    return keycodes;
}

void KeyGrabber::X::readModifiers()
{
    xcb_connection_t *c = connection.get();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const XcbPtr<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)), nullptr));
    const XcbPtr<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    altMask = XCB_MOD_MASK_1;
    lockMasks = XCB_MOD_MASK_LOCK;
    if (!mapping || !modifiers || mapping->keysyms_per_keycode == 0) {
        lockMasks |= XCB_MOD_MASK_2; // NumLock where nearly every keymap puts it
        return;
    }
    const xcb_keysym_t *syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    const int listed = xcb_get_keyboard_mapping_keysyms_length(mapping.get()) / perKey;
    const auto gives = [&](xcb_keycode_t keycode, xcb_keysym_t wanted) {
        const int k = keycode - setup->min_keycode;
        if (keycode == 0 || k < 0 || k >= listed)
            return false;
        for (int level = 0; level < perKey; ++level) {
            if (syms[k * perKey + level] == wanted)
                return true;
        }
        return false;
    };
    const xcb_keycode_t *keycodes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int perModifier = modifiers->keycodes_per_modifier;
    bool altFound = false;
    // Shift, Lock, Control, Mod1 … Mod5: the last five may carry anything.
    for (int modifier = 3; modifier < 8; ++modifier) {
        const auto mask = static_cast<uint16_t>(1U << modifier);
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            if (gives(keycode, NumLockSym) || gives(keycode, ScrollLockSym))
                lockMasks |= mask;
            if (!altFound && (gives(keycode, AltLSym) || gives(keycode, AltRSym))) {
                altMask = mask;
                altFound = true;
            }
        }
    }
}

void KeyGrabber::X::ungrab()
{
    for (const Grab &grab : grabs)
        xcb_ungrab_key(connection.get(), grab.keycode, connection.root(), grab.modifiers);
    grabs.clear();
    xcb_flush(connection.get());
}

KeyGrabber::KeyGrabber(QObject *parent) : QObject(parent)
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    m_x = std::make_unique<X>();
    if (!m_x->connection) {
        m_x.reset();
        return;
    }
    m_x->notifier = std::make_unique<QSocketNotifier>(
        xcb_get_file_descriptor(m_x->connection.get()), QSocketNotifier::Read);
    connect(m_x->notifier.get(), &QSocketNotifier::activated, this, &KeyGrabber::readEvents);
}

void KeyGrabber::readEvents()
{
    if (!m_x)
        return;
    xcb_connection_t *c = m_x->connection.get();
    bool remap = false;
    while (const XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_MAPPING_NOTIFY) {
            const auto *notify = reinterpret_cast<xcb_mapping_notify_event_t *>(event.get());
            remap = remap || notify->request != XCB_MAPPING_POINTER;
        } else if (type == XCB_KEY_RELEASE) {
            const auto *release = reinterpret_cast<xcb_key_release_event_t *>(event.get());
            m_x->lastReleased = release->detail;
            m_x->lastReleaseTime = release->time;
        } else if (type == XCB_KEY_PRESS) {
            const auto *press = reinterpret_cast<xcb_key_press_event_t *>(event.get());
            // A key held down repeats as a release and a press of the same
            // moment: one picture per press of the key, not a stream of them.
            if (press->detail == m_x->lastReleased && press->time == m_x->lastReleaseTime)
                continue;
            qCDebug(lcKeys, "press of keycode %d, state %#x, time %u", press->detail, press->state,
                    press->time);
            const uint16_t state = press->state & 0xff & ~m_x->lockMasks;
            for (const Grab &grab : m_x->grabs) {
                if (grab.keycode == press->detail && (grab.modifiers & ~m_x->lockMasks) == state) {
                    Q_EMIT pressed(grab.key);
                    break;
                }
            }
        }
    }
    // A new keyboard mapping may put PrintScreen or the modifiers elsewhere.
    if (remap && !m_x->grabs.empty())
        grab();
}

KeyGrabber::~KeyGrabber()
{
    if (m_x)
        m_x->ungrab();
}

bool KeyGrabber::available() const
{
    return m_x != nullptr;
}

QList<ScreenKey> KeyGrabber::grab()
{
    const QList<ScreenKey> both{ScreenKey::PrintScreen, ScreenKey::AltPrintScreen};
    if (!m_x)
        return both;
    xcb_connection_t *c = m_x->connection.get();
    // Grabbed again over the old grabs, which go only afterwards: a key
    // pressed meanwhile still reaches us.
    const std::vector<Grab> old = std::move(m_x->grabs);
    m_x->grabs.clear();
    m_x->readModifiers();
    const std::vector<xcb_keycode_t> keycodes = m_x->printKeycodes();
    if (keycodes.empty()) {
        for (const Grab &grab : old)
            xcb_ungrab_key(c, grab.keycode, m_x->connection.root(), grab.modifiers);
        xcb_flush(c);
        // Nothing to grab, and nobody to leave it to.
        qWarning("Pictarro: no key of this keyboard gives PrintScreen");
        return {};
    }

    // Every combination of the modifiers that do not count.
    std::vector<uint16_t> ignorable{0};
    for (int bit = 0; bit < 8; ++bit) {
        const auto mask = static_cast<uint16_t>(1U << bit);
        if ((m_x->lockMasks & mask) == 0)
            continue;
        const std::size_t had = ignorable.size();
        for (std::size_t i = 0; i < had; ++i)
            ignorable.push_back(static_cast<uint16_t>(ignorable[i] | mask));
    }

    QList<ScreenKey> refused;
    for (const ScreenKey key : both) {
        const uint16_t modifiers = key == ScreenKey::PrintScreen ? 0 : m_x->altMask;
        // All requests first, then their answers: one round trip per key.
        std::vector<std::pair<Grab, xcb_void_cookie_t>> asked;
        for (const xcb_keycode_t keycode : keycodes) {
            for (const uint16_t extra : ignorable) {
                const Grab grab{key, keycode, static_cast<uint16_t>(modifiers | extra)};
                asked.emplace_back(
                    grab, xcb_grab_key_checked(c, 0, m_x->connection.root(), grab.modifiers,
                                               keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
            }
        }
        std::vector<Grab> held;
        bool taken = !asked.empty();
        for (const auto &[grab, cookie] : asked) {
            const XcbPtr<xcb_generic_error_t> error(xcb_request_check(c, cookie));
            if (error && error->error_code != BadAccess)
                qWarning("Pictarro: the X server refused to pass %s on (error %d)",
                         qPrintable(screenKeyName(key)), error->error_code);
            if (error)
                taken = false; // BadAccess: another client holds it
            else
                held.push_back(grab);
        }
        if (taken) {
            m_x->grabs.insert(m_x->grabs.end(), held.begin(), held.end());
        } else {
            // Held by someone else, even in one combination: all of it is
            // left to them, so their tool sees the key whatever the locks.
            for (const Grab &grab : held)
                xcb_ungrab_key(c, grab.keycode, m_x->connection.root(), grab.modifiers);
            refused << key;
        }
    }
    for (const Grab &grab : old) {
        const bool kept = std::any_of(m_x->grabs.cbegin(), m_x->grabs.cend(), [&](const Grab &g) {
            return g.keycode == grab.keycode && g.modifiers == grab.modifiers;
        });
        if (!kept)
            xcb_ungrab_key(c, grab.keycode, m_x->connection.root(), grab.modifiers);
    }
    qCDebug(lcKeys, "%d grabs for %zu keycodes, Alt %#x, locks %#x, %lld refused",
            int(m_x->grabs.size()), keycodes.size(), m_x->altMask, m_x->lockMasks,
            qint64(refused.size()));
    xcb_flush(c);
    // Replies waited for above may have brought events into XCB's queue,
    // where the socket notifier would not see them.
    QMetaObject::invokeMethod(this, &KeyGrabber::readEvents, Qt::QueuedConnection);
    return refused;
}

QList<ScreenKey> KeyGrabber::taken() const
{
    QList<ScreenKey> keys;
    if (!m_x)
        return keys;
    for (const Grab &grab : m_x->grabs) {
        if (!keys.contains(grab.key))
            keys << grab.key;
    }
    return keys;
}

} // namespace platform
