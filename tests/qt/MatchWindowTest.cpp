// The Match window on the offscreen platform: opened by Ctrl+M and from the
// main window's context menu, the analysis of a demo with a built-in reader
// on its worker thread, the summary and the sortable player table, a sample
// Quake III demo, a demo without analysis, cancelling and closing during the
// analysis.

#include "qt/MatchWindow.h"
#include "app/StartUp.h"
#include "core/Session.h"
#include "lang/Language.h"
#include "qt/FenlarkWindow.h"
#include "qt/MatchCommand.h"
#include "qt/QtUserInterface.h"
#include "tests/common/CraftedQuakeDemo.h"
#include "tests/common/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>

using namespace fenlark;
using namespace fenlark::gui;

namespace {

class SilentUserInterface : public QtUserInterface {
protected:
    void execMessageBox(QMessageBox::Icon, const QString&, const QString&) override {}
    std::optional<QString> execFileDialog(const FileDialogSetup&) override { return {}; }
    void exitProcess() override {}
};

QStringList Column(const QTableWidget* table, int column) {
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) {
        texts << table->item(row, column)->text();
    }
    return texts;
}

} // namespace

class MatchWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TempFolder> temp;
    std::unique_ptr<SilentUserInterface> ui;
    std::unique_ptr<Language> language;
    std::unique_ptr<Session> session;
    std::unique_ptr<FenlarkWindow> window;
    MatchCommand* command = nullptr;

    void load(const std::string& name) {
        const std::string demo = temp->write("demos/" + name, test::CraftedQuakeDemo());
        StartUp(*session, demo, std::nullopt);
        window->refresh();
    }

    MatchWindow* openByShortcut() {
        // A window shortcut works in the active window.
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get())) {
            return nullptr;
        }
        QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
        return command->matchWindow();
    }

private slots:
    void init() {
        temp = std::make_unique<test::TempFolder>();
        temp->installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        temp->writeDefinition("q.kgd", "[Kalvenor Game]\nGame Name=Crafted Quake\n"
                                       "Demo Extensions=qdm;;plain;;\n"
                                       "[Fenlark - qdm]\nFenlark Type=1\nReader=quake-dem\n"
                                       "[Fenlark - plain]\nFenlark Type=1\n");
        ui = std::make_unique<SilentUserInterface>();
        language = std::make_unique<Language>();
        session = std::make_unique<Session>(*ui, *language, temp->programFolder());
        window = std::make_unique<FenlarkWindow>(*session, *ui);
        ui->setWindow(window.get());
        command = new MatchCommand(*window, *session);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() {
        window.reset(); // and with it the command and any Match window
        session.reset();
        language.reset();
        ui.reset();
        temp.reset();
    }

    void ctrlMOpensTheMatchWindowWithTheSummaryAndPlayers() {
        load("a.qdm");
        MatchWindow* match = openByShortcut();
        QVERIFY(match != nullptr);
        QVERIFY(match->isVisible());
        QVERIFY(match->windowTitle().contains("a.qdm"));
        QTRY_VERIFY(!match->isAnalysing());

        QCOMPARE(match->txtDuration->text(), QString("0:02.5"));
        QCOMPARE(match->txtGameType->text(), QString("deathmatch"));
        QCOMPARE(match->txtScore->text(), QString("-")); // no teams
        QVERIFY(match->lblStatus->text().contains("end marker"));
        QVERIFY(!match->cmdCancel->isEnabled());
        QCOMPARE(Column(match->tblPlayers, 0), (QStringList{"Ranger", "Grunt"}));
        QCOMPARE(Column(match->tblPlayers, 2), (QStringList{"10", "9"}));

        // Sorting by score goes by number, not by text ("10" < "9").
        match->tblPlayers->sortItems(2, Qt::AscendingOrder);
        QCOMPARE(Column(match->tblPlayers, 0), (QStringList{"Grunt", "Ranger"}));

        // A second Ctrl+M for the same demo brings the same window forward.
        QCOMPARE(openByShortcut(), match);
    }

    void aSampleQuakeThreeDemoShowsItsTeamsRecorderAndChat() {
        session->setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR);
        StartUp(*session, std::string(FENLARK_SAMPLES_DIR) + "/tdm.dm_71", std::nullopt);
        window->refresh();
        MatchWindow* match = openByShortcut();
        QVERIFY(match != nullptr);
        QTRY_VERIFY(!match->isAnalysing());
        // The recording's own account: Sarge and Grism red, Kyonshi and Major
        // blue, the recording player a spectator who said one line.
        QCOMPARE(match->txtRecorder->text(), QString("Recorder"));
        QCOMPARE(match->txtGameType->text(), QString("team deathmatch"));
        // Players come by client number, frags by time.
        QCOMPARE(Column(match->tblPlayers, 0),
                 (QStringList{"Sarge", "Grism", "Kyonshi", "Major", "Recorder"}));
        QCOMPARE(Column(match->tblPlayers, 1),
                 (QStringList{"red", "red", "blue", "blue", "spectator"}));
        QCOMPARE(Column(match->tblChat, 3), QStringList{"spectator here"});
        QVERIFY(match->tblFrags->rowCount() > 1);
        const QStringList times = Column(match->tblFrags, 0);
        QVERIFY(std::is_sorted(times.begin(), times.end()));
    }

    void theContextMenuOffersTheMatchCommandOnlyForDemosWithAnAnalysis() {
        load("b.plain");
        std::unique_ptr<QMenu> menu(command->createContextMenu());
        QCOMPARE(menu->actions().size(), 1);
        QAction* action = menu->actions().front();
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
        QVERIFY(!action->isEnabled());
        QCOMPARE(openByShortcut(), nullptr);

        load("a.qdm");
        menu.reset(command->createContextMenu());
        QVERIFY(menu->actions().front()->isEnabled());
        menu->actions().front()->trigger();
        QVERIFY(command->matchWindow() != nullptr);
        QTRY_VERIFY(!command->matchWindow()->isAnalysing());
        QCOMPARE(command->matchWindow()->tblPlayers->rowCount(), 2);
    }

    void aRightClickOnTheWindowShowsTheMenu() {
        load("a.qdm");
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                window->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(window.get(), &event);
        auto* menu = window->findChild<QMenu*>("mnuMatch");
        QVERIFY(menu != nullptr);
        QTRY_VERIFY(menu->isVisible());
        menu->close();
    }

    void cancelAndCloseDuringTheAnalysisEndItWithoutWaitingForTheFile() {
        // A demo of some megabytes: the same time message block after block.
        std::string demo = test::CraftedQuakeDemo();
        const std::string tick = std::string("\x05\x00\x00\x00", 4) + std::string(12, '\0') +
                                 std::string("\x07\x00\x00\x80\x40", 5);
        for (int i = 0; i < 400000; ++i) {
            demo += tick;
        }
        StartUp(*session, temp->write("demos/long.qdm", demo), std::nullopt);

        // Cancel ends the analysis with what was read; the window shows why
        // it ended (cancelled, or the end when the reader was quicker).
        MatchWindow* match = openByShortcut();
        QVERIFY(match != nullptr);
        QSignalSpy finished(match, &MatchWindow::analysisFinished);
        match->cmdCancel->click();
        QVERIFY(!match->cmdCancel->isEnabled());
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(match->lblStatus->text().startsWith("Reading ended: "));

        // Closing a window whose analysis runs stops the worker and deletes
        // the window.
        match->close();
        QTRY_COMPARE(command->matchWindow(), nullptr);
        match = openByShortcut();
        QVERIFY(match != nullptr && match->isAnalysing());
        match->close();
        QTRY_COMPARE(command->matchWindow(), nullptr);
    }
};

QTEST_MAIN(MatchWindowTest)
#include "MatchWindowTest.moc"
