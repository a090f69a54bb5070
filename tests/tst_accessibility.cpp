// Every window as a screen reader and a keyboard-only user meet it, on the
// offscreen platform: the window's accessible tree is walked in-process
// through QAccessible (no accessibility bus needed) and Tab is pressed round
// the whole window. One row per window; a new window gets a row.
#include "About.h"
#include "CaptureOptions.h"
#include "Drives.h"
#include "FolderManager.h"
#include "ForScreenCapture.h"
#include "Form1.h"
#include "MainForm.h"
#include "MediaPlayer.h"
#include "NewFolder.h"
#include "RecordingLauncher.h"
#include "ScriptedDialogs.h"
#include "SettingsStore.h"
#include "SoundForm.h"
#include "VantlerForm.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>

namespace {

// Roles a screen reader offers to act on.
bool pressable(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::Link:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
        return true;
    default:
        return false;
    }
}

// Controls that do something when the keyboard reaches them: the pressable
// ones, choosers and editable fields.
bool acts(QAccessibleInterface *node)
{
    switch (node->role()) {
    case QAccessible::ComboBox:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Dial:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::Table:
        return true;
    case QAccessible::EditableText:
        return !node->state().readOnly;
    default:
        return pressable(node->role());
    }
}

bool hasValue(QAccessible::Role role)
{
    return role == QAccessible::Slider || role == QAccessible::SpinBox || role == QAccessible::Dial;
}

// A click on it runs a command: a button, or a text or picture that shows
// the pointing hand, as every clickable label of the programs does.
bool clickable(const QWidget *widget)
{
    if (qobject_cast<const QAbstractButton *>(widget))
        return true;
    return widget->testAttribute(Qt::WA_SetCursor) &&
           widget->cursor().shape() == Qt::PointingHandCursor;
}

// On screen: shown, and not placed outside the window or sized to nothing
// (as the focus holders and hidden cancel buttons are).
bool onScreen(const QWidget *widget)
{
    if (!widget->isVisible())
        return false;
    QRect area = widget->rect();
    for (const QWidget *w = widget; !w->isWindow(); w = w->parentWidget()) {
        area = area.translated(w->pos()) & w->parentWidget()->rect();
        if (area.isEmpty())
            return false;
    }
    return true;
}

QString describe(QAccessibleInterface *node, const QWidget *widget)
{
    const QString name =
        widget->objectName().isEmpty() ? QStringLiteral("(unnamed object)") : widget->objectName();
    return QStringLiteral("%1 (%2, %3)")
        .arg(name, QLatin1String(widget->metaObject()->className()),
             QLatin1String(QMetaEnum::fromType<QAccessible::Role>().valueToKey(node->role())));
}

QRect placeIn(const QWidget *window, const QWidget *widget)
{
    return {widget->mapTo(window, QPoint(0, 0)), widget->size()};
}

// The next stop goes on in reading order: further down, on the same line
// further right, or in a column further right.
bool readsAfter(const QRect &before, const QRect &after)
{
    if (after.left() >= before.right())
        return true;
    const bool sameLine = after.top() < before.bottom() && after.bottom() > before.top();
    if (sameLine)
        return after.left() >= before.left();
    return after.top() >= before.top();
}

struct Opened
{
    std::function<void()> release; // deletes the window and what it needs
    QWidget *window = nullptr;
};

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void window_namedActingAndReachedByTab_data();
    void window_namedActingAndReachedByTab();

private:
    Opened open(const QString &window);

    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<RecordingLauncher> m_launcher;
};

void TestAccessibility::initTestCase()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_launcher = std::make_unique<RecordingLauncher>();
}

void TestAccessibility::cleanupTestCase()
{
    m_launcher.reset();
    m_dialogs.reset();
    m_root.reset();
}

Opened TestAccessibility::open(const QString &which)
{
    const QString root = m_root->path();
    QDir().mkpath(root + "/program");
    QDir().mkpath(root + "/data");
    QDir().mkpath(root + "/captures");

    if (which == "main window") {
        MainForm::Environment env{root + "/program", root + "/config/1.ini", root + "/data",
                                  "Pictarro"};
        auto *form = new MainForm(env);
        form->Form_Load();
        return {[form] { delete form; }, form};
    }
    if (which == "Vantler") {
        auto *form = new VantlerForm(root + "/program");
        form->show();
        form->Form_Load();
        return {[form] { delete form; }, form};
    }
    if (which == "Contact Tarnwell Software") {
        auto *form = new Form1;
        form->show();
        return {[form] { delete form; }, form};
    }

    // The secondary windows, with a stand-in for the main window's fields.
    auto *main = new QWidget;
    auto *capturePath = new QLineEdit(root + "/captures", main);
    auto *winPath = new QLineEdit(root + "/data", main);
    auto *openFolder = new QToolButton(main);
    QDialog *window = nullptr;
    std::function<void()> extra = [] {
    };
    if (which == "folder manager") {
        window = new FolderManager(main, capturePath, winPath);
    } else if (which == "sound assignment") {
        auto settings = std::make_shared<platform::SettingsStore>(root + "/config/1.ini");
        auto player = std::make_shared<platform::MediaPlayer>();
        window = new SoundForm(main, *settings, *player, root + "/program");
        extra = [settings, player] {
        };
    } else if (which == "capture options") {
        auto settings = std::make_shared<platform::SettingsStore>(root + "/config/1.ini");
        window = new CaptureOptions(main, *settings);
        extra = [settings] {
        };
    } else if (which == "folder chooser") {
        const QList<platform::Drive> drives{{root, platform::DriveKind::Hard}};
        auto *chooser = new NewFolder(main, capturePath, openFolder, [drives] { return drives; });
        chooser->openAt(root + "/captures");
        window = chooser;
    } else if (which == "about") {
        window = new About(main, [] { return QStringLiteral("someone"); });
    } else if (which == "I Like Pictarro") {
        window = new ForScreenCapture(main);
    } else {
        qFatal("no window %s", qPrintable(which));
    }
    window->show();
    return {[window, main, extra] {
                delete window;
                delete main;
                extra();
            },
            window};
}

void TestAccessibility::window_namedActingAndReachedByTab_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window :
         {"main window", "folder manager", "sound assignment", "capture options", "folder chooser",
          "about", "I Like Pictarro", "Vantler", "Contact Tarnwell Software"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

void TestAccessibility::window_namedActingAndReachedByTab()
{
    QFETCH(QString, window);
    const Opened opened = open(window);
    const auto release = qScopeGuard(opened.release);
    QWidget *const top = opened.window;
    top->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(top));
    QWidget *const focusedAtOpening = QApplication::focusWidget();

    QStringList problems;
    const auto problem = [&problems](const QString &text) {
        problems << text;
    };

    // The accessible tree, as a screen reader reads it.
    QList<QAccessibleInterface *> controls;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface *child = node->child(i);
            if (!child)
                continue;
            if (child->object() && child->object()->isWidgetType())
                controls << child;
            walk(child);
        }
    };
    QAccessibleInterface *rootNode = QAccessible::queryAccessibleInterface(top);
    QVERIFY(rootNode);
    // A screen reader names the window from its frame or dialog.
    if (rootNode->role() != QAccessible::Window && rootNode->role() != QAccessible::Dialog)
        problem(describe(rootNode, top) + " is not presented as a window");
    walk(rootNode);

    QList<QAccessibleInterface *> mustBeReached;
    QHash<QString, QString> named; // name, in lower case -> the control that has it
    for (QAccessibleInterface *node : std::as_const(controls)) {
        auto *widget = static_cast<QWidget *>(node->object());
        const QAccessible::State state = node->state();
        const bool shown = onScreen(widget);
        const QString name = node->text(QAccessible::Name).trimmed();
        const QString what = describe(node, widget);

        if (state.focusable && (shown || widget == focusedAtOpening)) {
            if (name.isEmpty())
                problem(what + " takes the focus but has no name");
            else if (named.contains(name.toLower()))
                problem(QStringLiteral("%1 and %2 have the same name, \"%3\"")
                            .arg(named.value(name.toLower()), what, name));
            else
                named.insert(name.toLower(), what);
        }

        if (shown && clickable(widget) && widget->isEnabled()) {
            const QStringList actions =
                node->actionInterface() ? node->actionInterface()->actionNames() : QStringList();
            if (!pressable(node->role()))
                problem(what + " acts on a click but is announced in a role that does not act");
            else if (!actions.contains(QAccessibleActionInterface::pressAction()) &&
                     !actions.contains(QAccessibleActionInterface::toggleAction()))
                problem(what + " offers no press action");
        }

        if (shown && node->role() == QAccessible::Graphic && !state.invisible && name.isEmpty())
            problem(what + " is a picture neither named nor hidden from the screen reader");

        if (state.focusable && hasValue(node->role()) &&
            (!node->valueInterface() || !node->valueInterface()->currentValue().isValid()))
            problem(what + " does not announce its value");

        // Qt takes Tab from the unchecked option buttons of a group once one
        // has had the focus; the group is checked as one below.
        const auto *option = qobject_cast<const QRadioButton *>(widget);
        if (shown && (acts(node) || clickable(widget))) {
            if (!(widget->focusPolicy() & Qt::TabFocus) && !(option && option->autoExclusive()))
                problem(what + " acts but Tab never reaches it");
            else if (widget->isEnabled())
                mustBeReached << node;
        }
    }

    // Tab pressed round the window, until it comes back or goes nowhere.
    QList<QWidget *> stops;
    if (focusedAtOpening)
        stops << focusedAtOpening;
    for (int press = 0; press < 200; ++press) {
        QWidget *from = QApplication::focusWidget();
        QTest::keyClick(from ? from : top, Qt::Key_Tab);
        QWidget *to = QApplication::focusWidget();
        if (!to || to == from || stops.contains(to))
            break;
        stops << to;
    }
    for (QAccessibleInterface *node : std::as_const(mustBeReached)) {
        auto *widget = static_cast<QWidget *>(node->object());
        bool reached = stops.contains(widget);
        // Tab enters a group of option buttons at its checked one; the
        // arrow keys choose within the group.
        if (auto *option = qobject_cast<QRadioButton *>(widget); option && option->autoExclusive())
            for (QWidget *stop : std::as_const(stops))
                if (auto *other = qobject_cast<QRadioButton *>(stop))
                    reached = reached || other->parentWidget() == option->parentWidget();
        if (!reached)
            problem(describe(node, widget) + " acts but Tab skips it");
    }

    // The stops follow the window's reading order.
    const QWidget *previous = nullptr;
    for (const QWidget *stop : std::as_const(stops)) {
        if (!onScreen(stop))
            continue;
        if (previous && !readsAfter(placeIn(top, previous), placeIn(top, stop)))
            problem(QStringLiteral("Tab goes back from %1 to %2, above or to the left of it")
                        .arg(previous->objectName(), stop->objectName()));
        previous = stop;
    }

    QStringList order;
    for (const QWidget *stop : std::as_const(stops))
        order << stop->objectName();
    qDebug("%s: Tab order %s", qPrintable(window), qPrintable(order.join(", ")));
    for (const QString &found : std::as_const(problems))
        qWarning("%s", qPrintable(found));
    QVERIFY2(problems.isEmpty(), qPrintable(QString::number(problems.size()) +
                                            QStringLiteral(" problems, each told above")));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
