// The library window, offscreen: a real scan into a real database, then
// sorting, the filters, opening a row, exporting, cancelling and a watched
// folder picking up a new demo.

#include "qt/LibraryWindow.h"
#include "core/Session.h"
#include "lang/Language.h"
#include "qt/FenlarkWindow.h"
#include "qt/LibraryLauncher.h"
#include "qt/LibraryTableModel.h"
#include "qt/QtUserInterface.h"
#include "tests/common/TempFolder.h"
#include "tests/library/LibraryTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace fenlark;
using namespace fenlark::gui;

// Answers the save dialog with a fixed path and keeps the message boxes' texts.
class AnsweringUserInterface : public QtUserInterface {
public:
    QString savePath;
    QString offeredName;
    QStringList messages;

protected:
    void execMessageBox(QMessageBox::Icon, const QString&, const QString& text) override {
        messages << text;
    }
    std::optional<QString> execFileDialog(const FileDialogSetup& setup) override {
        offeredName = setup.initialName;
        return savePath;
    }
};

class LibraryWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TempFolder> temp_;
    QString folder_;

    std::unique_ptr<LibraryWindow> makeWindow(std::chrono::microseconds delay = {}) {
        LibraryWindowSetup setup;
        setup.databasePath = temp_->path("library.sqlite");
        setup.describers = library::test::TextDescribers(nullptr, delay);
        setup.isDemoExtension = library::test::IsTestExtension;
        return std::make_unique<LibraryWindow>(setup);
    }

    static QStringList column(const LibraryWindow& window, int column) {
        QStringList values;
        for (int row = 0; row < window.model()->rowCount(); ++row)
            values << window.model()->index(row, column).data().toString();
        return values;
    }

private slots:
    void init() {
        temp_ = std::make_unique<test::TempFolder>();
        temp_->write("demos/b.dm_68", "map=beta;players=Zed,Ann;game=Quake III");
        temp_->write("demos/sub/a.dm_68", "map=alpha;players=Bob;game=Quake Live");
        temp_->write("demos/c.dem", "map=gamma;players=Ann;game=Quake III");
        QVERIFY(library::test::WriteArchive(
            temp_->path("demos/pack.zip"), library::test::ArchiveKind::Zip,
            {{"in/zip.dm_68", "map=delta;players=Cy;game=Quake III"}}));
        folder_ = QString::fromStdString(temp_->path("demos"));
    }

    void scanSortFilterOpenAndExport() {
        auto window = makeWindow();
        window->show();
        QSignalSpy finished(window.get(), &LibraryWindow::scanFinished);
        window->scanFolders({folder_});
        QVERIFY(finished.wait(10000));
        QTRY_COMPARE(window->model()->rowCount(), 4);

        window->table->sortByColumn(LibraryTableModel::Map, Qt::AscendingOrder);
        QTRY_COMPARE(column(*window, LibraryTableModel::Map),
                     (QStringList{"alpha", "beta", "delta", "gamma"}));
        window->table->sortByColumn(LibraryTableModel::Map, Qt::DescendingOrder);
        QTRY_COMPARE(column(*window, LibraryTableModel::Map).first(), QStringLiteral("gamma"));

        window->searchBox->setText(QStringLiteral("ann"));
        QTRY_COMPARE(window->model()->rowCount(), 2);
        window->gameFilter->setCurrentIndex(window->gameFilter->findText("Quake III"));
        QTRY_COMPARE(window->model()->rowCount(), 2);
        window->searchBox->clear();
        QTRY_COMPARE(window->model()->rowCount(), 3);
        window->gameFilter->setCurrentIndex(0);
        QTRY_COMPARE(window->model()->rowCount(), 4);

        // A double-click opens the row's demo; a member names its archive.
        window->table->sortByColumn(LibraryTableModel::Map, Qt::AscendingOrder);
        QTRY_COMPARE(column(*window, LibraryTableModel::Map).first(), QStringLiteral("alpha"));
        QSignalSpy open(window.get(), &LibraryWindow::openRequested);
        const QRect cell = window->table->visualRect(window->model()->index(2, 0));
        // A view takes a double-click only after the press that began it.
        QTest::mouseClick(window->table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(window->table->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(open.count(), 1);
        QVERIFY(open[0][0].toString().endsWith("/pack.zip"));
        QCOMPARE(open[0][1].toString(), QStringLiteral("in/zip.dm_68"));

        const QString csv = QString::fromStdString(temp_->path("view.csv"));
        const QString jsonl = QString::fromStdString(temp_->path("view.jsonl"));
        window->searchBox->setText(QStringLiteral("ann"));
        QTRY_COMPARE(window->model()->rowCount(), 2);
        QVERIFY(window->exportRows(csv, LibraryWindow::ExportFormat::Csv));
        QVERIFY(window->exportRows(jsonl, LibraryWindow::ExportFormat::JsonLines));
        QFile csvFile(csv);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        QCOMPARE(csvFile.readAll().count('\n'), 3); // header and the two rows shown
        QFile jsonFile(jsonl);
        QVERIFY(jsonFile.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = jsonFile.readAll().trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].contains("\"players\":[\"Zed\",\"Ann\"]") ||
                lines[1].contains("\"players\":[\"Zed\",\"Ann\"]"));
        QVERIFY(!window->exportRows(QString::fromStdString(temp_->path("no/such/dir/x.csv")),
                                    LibraryWindow::ExportFormat::Csv));
    }

    void cancelStopsAScanAndKeepsTheWindowUsable() {
        for (int i = 0; i < 200; ++i)
            temp_->write("demos/many/d" + std::to_string(i) + ".dm_68", "map=m;game=G");
        auto window = makeWindow(std::chrono::milliseconds(20));
        QSignalSpy finished(window.get(), &LibraryWindow::scanFinished);
        window->scanFolders({folder_});
        QVERIFY(window->scanning());
        window->cancelScan();
        QVERIFY(finished.wait(10000));
        QVERIFY(!window->scanning());
        QVERIFY(window->statusText->text().startsWith("Cancelled"));
        QTRY_VERIFY(!window->model()->loading());
        QVERIFY(window->model()->rowCount() < 204);
    }

    void watchedFolderPicksUpNewDemos() {
        auto window = makeWindow();
        QSignalSpy finished(window.get(), &LibraryWindow::scanFinished);
        window->scanFolders({folder_});
        QVERIFY(finished.wait(10000));
        QTRY_COMPARE(window->model()->rowCount(), 4);
        temp_->write("demos/sub/new.dm_68", "map=epsilon;game=G");
        QTRY_COMPARE_WITH_TIMEOUT(window->model()->rowCount(), 5, 15000);
        QCOMPARE(window->watchedFolders(), QStringList{folder_});
    }

    // A dropped folder is watched and scanned; a dropped file goes to the
    // main window; a drop offered only as a move is refused.
    void droppedFoldersAreScannedAndFilesOpened() {
        auto window = makeWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const auto drop = [&](const QStringList& paths, Qt::DropActions actions) {
            QMimeData mime;
            QList<QUrl> urls;
            for (const QString& path : paths)
                urls << QUrl::fromLocalFile(path);
            mime.setUrls(urls);
            const QPointF at(window->width() / 2.0, window->height() / 2.0);
            QDragEnterEvent enter(at.toPoint(), actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &enter);
            QDropEvent event(at, actions, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &event);
            return enter.isAccepted() && event.isAccepted();
        };
        QSignalSpy opened(window.get(), &LibraryWindow::openRequested);
        QSignalSpy finished(window.get(), &LibraryWindow::scanFinished);

        QVERIFY(!drop({folder_}, Qt::MoveAction));
        QVERIFY(window->watchedFolders().isEmpty());

        const QString file = folder_ + QStringLiteral("/c.dem");
        QVERIFY(drop({folder_ + QStringLiteral("/sub"), file}, Qt::CopyAction | Qt::MoveAction));
        QCOMPARE(window->watchedFolders(), QStringList{folder_ + QStringLiteral("/sub")});
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.front().at(0).toString(), file);
        QCOMPARE(opened.front().at(1).toString(), QString());
        QVERIFY(finished.wait(10000));
        QTRY_COMPARE(column(*window, LibraryTableModel::Map), QStringList{"alpha"});
    }

    void mainWindowAsksForTheLibraryOnCtrlL() {
        QtUserInterface ui;
        Language language;
        Session session(ui, language, temp_->programFolder());
        FenlarkWindow window(session, ui);
        ui.setWindow(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy asked(&window, &FenlarkWindow::libraryRequested);
        QTest::keyClick(&window, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(asked.count(), 1);
        const QList<QAction*> menu = window.actions();
        QVERIFY(std::any_of(menu.begin(), menu.end(), [](const QAction* action) {
            return action->text() == QStringLiteral("Library...");
        }));
        QCOMPARE(window.contextMenuPolicy(), Qt::ActionsContextMenu);
    }

    // A member is read out of its archive into memory; the main window shows
    // it, and its demo log is written from the same bytes (the member has no
    // file of its own to open).
    void aMemberOpensInTheMainWindowAndGetsItsDemoLog() {
        // The default database goes to the temporary folder, not the user's.
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(temp_->path("data")));
        temp_->installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        for (const auto& entry : std::filesystem::directory_iterator(FENLARK_DATA_SOURCE_DIR)) {
            if (entry.path().extension() == ".kgd") {
                std::filesystem::copy_file(entry.path(),
                                           temp_->path("Data/" + entry.path().filename().string()));
            }
        }
        std::ifstream sample(std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68", std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(sample), {}};
        const std::string archive = temp_->path("demos/demo.zip");
        QVERIFY(library::test::WriteArchive(archive, library::test::ArchiveKind::Zip,
                                            {{"match/proto68.dm_68", bytes}}));

        AnsweringUserInterface ui;
        Language language;
        Session session(ui, language, temp_->programFolder());
        FenlarkWindow window(session, ui);
        ui.setWindow(&window);
        auto launcher = std::make_unique<LibraryLauncher>(session, window);
        QVERIFY(launcher->open({}));
        launcher->openDemo(QString::fromStdString(archive), QStringLiteral("match/proto68.dm_68"));
        QVERIFY(window.isVisible());
        QCOMPARE(window.txtMap->text(), QStringLiteral("oa_dm1"));
        QCOMPARE(session.DemoPath, archive + "/match/proto68.dm_68");

        ui.savePath = QString::fromStdString(temp_->path("member-log.txt"));
        QVERIFY(window.cmdCreateDemoLog->isEnabled());
        window.cmdCreateDemoLog->click();
        QCOMPARE(ui.offeredName, QStringLiteral("proto68.dm_68.txt"));
        QCOMPARE(ui.messages, QStringList{QStringLiteral("Demo log created!")});
        QFile log(ui.savePath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY2(text.contains("oa_dm1"), text.left(400).constData());
        QVERIFY(text.contains("- End of demo log."));

        // A file loaded afterwards is read from disk, not from the member.
        window.loadDroppedFile(
            QString::fromStdString(std::string(FENLARK_SAMPLES_DIR) + "/ffa.dm_71"));
        QVERIFY(session.demoBytes == nullptr);
        QCOMPARE(window.txtMap->text(), QStringLiteral("oa_dm4"));
        launcher.reset();
        QVERIFY(session.demoBytes == nullptr);
    }

    void refusesADatabaseItCannotUse() {
        LibraryWindowSetup setup;
        setup.databasePath = temp_->write("notes.txt", "plain text");
        setup.describers = library::test::TextDescribers();
        setup.isDemoExtension = library::test::IsTestExtension;
        QVERIFY_THROWS_EXCEPTION(library::LibraryError, LibraryWindow{setup});
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LibraryWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LibraryWindowTest.moc"
