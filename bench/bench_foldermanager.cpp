// Times the folder manager with a capture folder of 10,000 captures: opening
// the window until the list is filled (and until it is first painted), and a
// selection until its preview is decoded and shown, for 1920x1080 and
// 3840x2160 captures as bitmap and as JPEG; and the notification-area menu's
// recent captures read from the same folder as the menu opens, their
// pictures made. Prints best and median of each.
//
// usage: bench_foldermanager [runs] [--grab picture.png]
//   --grab  also saves a picture of the window after a selection

#include "ASPictureBox.h"
#include "FolderManager.h"
#include "RecentCaptures.h"
#include "ScreenLikePicture.h"
#include "Timing.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int Captures = 10000;

int rowOf(QListView *list, const QString &name)
{
    const QAbstractItemModel *model = list->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() == name)
            return row;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const int runs = arguments.size() > 1 ? std::max(1, arguments[1].toInt()) : 15;
    const qsizetype grabAt = arguments.indexOf(QStringLiteral("--grab"));
    const QString grab = grabAt > 0 && grabAt + 1 < arguments.size() ? arguments[grabAt + 1] : "";

    // The captures are listed by name only, so all but the previewed ones
    // can be empty files.
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("Captured Screens"));
    QDir().mkpath(folder);
    for (int i = 1; i <= Captures; ++i) {
        QFile file(QDir(folder).filePath(
            QStringLiteral("Pictarro %1.%2").arg(i).arg(i % 3 ? "bmp" : "jpg")));
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write into %s\n", qPrintable(folder));
            return 1;
        }
    }
    const QImage large = screenLikePicture();
    const QImage full = large.scaled(1920, 1080, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const struct
    {
        const char *what;
        QString name;
        const QImage &picture;
        const char *format;
    } previews[] = {
        {"select -> preview, 1920x1080 BMP", "Screen 1080.bmp", full, "BMP"},
        {"select -> preview, 1920x1080 JPEG (q75)", "Screen 1080.jpg", full, "JPG"},
        {"select -> preview, 3840x2160 BMP", "Screen 2160.bmp", large, "BMP"},
        {"select -> preview, 3840x2160 JPEG (q75)", "Screen 2160.jpg", large, "JPG"},
    };
    for (const auto &preview : previews)
        preview.picture.save(QDir(folder).filePath(preview.name), preview.format, 75);

    QWidget mainWindow;
    QLineEdit capturePath(folder, &mainWindow);
    QLineEdit winPath(root.path(), &mainWindow);

    std::printf("%d captures, %d timed runs each (median of runs)\n\n", Captures + 4, runs);
    std::printf("| %-46s | %10s | %10s |\n|%s|%s|%s|\n", "step", "best", "median",
                "------------------------------------------------", "-------------",
                "-------------");

    std::unique_ptr<FolderManager> window;
    const auto reset = [&window] {
        window.reset();
    };
    const auto open = [&] {
        window = std::make_unique<FolderManager>(&mainWindow, &capturePath, &winPath);
        return window->findChild<QListView *>()->model()->rowCount() == Captures + 4;
    };
    const auto openAndPaint = [&] {
        window = std::make_unique<FolderManager>(&mainWindow, &capturePath, &winPath);
        window->show();
        window->repaint();
        return window->isVisible();
    };
    bench::printRow("open: window built, list filled", bench::measure(runs, open, reset));
    bench::printRow("open: until first painted", bench::measure(runs, openAndPaint, reset));

    window = std::make_unique<FolderManager>(&mainWindow, &capturePath, &winPath);
    window->show();
    auto *list = window->findChild<QListView *>(QStringLiteral("FileDir"));
    auto *box = window->findChild<ASPictureBox *>(QStringLiteral("PicBox"));
    for (const auto &preview : previews) {
        const int row = rowOf(list, preview.name);
        const auto select = [&] {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::ClearAndSelect);
            box->viewport()->repaint();
            return box->picture().size() == preview.picture.size();
        };
        const auto unselect = [&] {
            list->selectionModel()->clearSelection();
        };
        bench::printRow(preview.what, bench::measure(runs, select, unselect));
    }

    // The newest files are the four previews and six empty ones. Opened the
    // first time, the menu lists them and makes their pictures on another
    // thread; after that it lists them with the pictures kept.
    const auto firstOpening = [&folder] {
        QMenu trayMenu;
        QAction *openFolder = trayMenu.addAction(QStringLiteral("Open"));
        RecentCaptures recent(trayMenu, openFolder, [&folder] { return folder; });
        QEventLoop loop;
        QObject::connect(&recent, &RecentCaptures::thumbnailsShown, &loop, &QEventLoop::quit);
        recent.refresh();
        loop.exec();
        return trayMenu.findChild<QMenu *>()->actions().size() == RecentCaptures::Count;
    };
    bench::printRow("tray menu: recent captures with new pictures",
                    bench::measure(runs, firstOpening));
    QMenu trayMenu;
    QAction *openFolder = trayMenu.addAction(QStringLiteral("Open"));
    RecentCaptures recent(trayMenu, openFolder, [&folder] { return folder; });
    QEventLoop loop;
    QObject::connect(&recent, &RecentCaptures::thumbnailsShown, &loop, &QEventLoop::quit);
    recent.refresh();
    loop.exec();
    const auto opening = [&] {
        recent.refresh();
        return trayMenu.findChild<QMenu *>()->actions().size() == RecentCaptures::Count;
    };
    bench::printRow("tray menu: recent captures listed", bench::measure(runs, opening));
    std::printf("\n");
    if (!grab.isEmpty()) {
        list->scrollTo(list->model()->index(rowOf(list, previews[0].name), 0));
        window->grab().save(grab);
    }
    return 0;
}
