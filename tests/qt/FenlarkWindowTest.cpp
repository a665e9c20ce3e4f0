// The Qt window on the offscreen platform: its controls, a load from the
// command line and from the Load Demo button, the details box, the wait
// window and the resize layout.

#include "qt/FenlarkWindow.h"
#include "app/Commands.h"
#include "app/LoadDemo.h"
#include "app/StartUp.h"
#include "core/Session.h"
#include "lang/Language.h"
#include "qt/ProgramStart.h"
#include "qt/QtUserInterface.h"
#include "qt/Twips.h"
#include "qt/WaitWindow.h"
#include "tests/common/TempFolder.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <array>
#include <filesystem>

using namespace fenlark;
using namespace fenlark::gui;

namespace {

struct ShownMessage {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    bool waitVisible;
    QString fileSizeShown;
};

// Answers the modal parts from preset values and records what they showed.
class ScriptedUserInterface : public QtUserInterface {
public:
    std::vector<ShownMessage> messages;
    std::vector<FileDialogSetup> dialogs;
    std::optional<QString> dialogAnswer;
    FenlarkWindow* window = nullptr;
    bool exited = false;

protected:
    void execMessageBox(QMessageBox::Icon icon, const QString& title,
                        const QString& text) override {
        messages.push_back({icon, title, text, waitWindow().isVisible(),
                            window != nullptr ? window->txtFileSize->text() : QString()});
    }
    std::optional<QString> execFileDialog(const FileDialogSetup& setup) override {
        dialogs.push_back(setup);
        return dialogAnswer;
    }
    void exitProcess() override { exited = true; }
};

} // namespace

class FenlarkWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::TempFolder> temp;
    std::unique_ptr<ScriptedUserInterface> ui;
    std::unique_ptr<Language> language;
    std::unique_ptr<Session> session;
    std::unique_ptr<FenlarkWindow> window;

private slots:
    void init() {
        temp = std::make_unique<test::TempFolder>();
        temp->installLanguageTable(FENLARK_LANGUAGE_TABLE_SOURCE);
        temp->writeDefinition("test.kgd", "[Kalvenor Game]\nGame Name=Test Game\n"
                                          "Demo Extensions=tst;;gone;;\ntst=1.0\ngone=2.0\n"
                                          "gone-id=psd::1::1::hex:00\n"
                                          "[Fenlark - tst]\nFenlark Type=2\n"
                                          "[Fenlark - gone]\nFenlark Type=2\n");
        ui = std::make_unique<ScriptedUserInterface>();
        language = std::make_unique<Language>();
        session = std::make_unique<Session>(*ui, *language, temp->programFolder());
        window = std::make_unique<FenlarkWindow>(*session, *ui);
        ui->setWindow(window.get());
        ui->window = window.get();
    }

    void cleanup() {
        window.reset();
        session.reset();
        language.reset();
        ui.reset();
        temp.reset();
    }

    void everyControlHasItsCaptionAndDesignedRectangle() {
        QCOMPARE(window->objectName(), QString("frmFenlark"));
        QCOMPARE(window->windowTitle(), QString("Kalvenor - Fenlark v1.00"));
        QCOMPARE(window->size(), QSize(480, 415));
        // Every control of the layout table, at its designed place.
        for (const LayoutControl& expected : LayoutControls()) {
            auto* control = window->findChild<QWidget*>(expected.name);
            QVERIFY2(control != nullptr, expected.name);
            QCOMPARE(control->geometry(), TwipsToPixels(expected.designed));
            QCOMPARE(control->parentWidget(),
                     expected.inFrame ? static_cast<QWidget*>(window->Frame1) : window.get());
        }
        const std::pair<const char*, const char*> captions[] = {
            {"lblDemoType", "Demo Type:"},
            {"lblFileSize", "File Size:"},
            {"lblDemoProtocol", " Demo Protocol:"},
            {"lblGameVersion", " Game Version:"},
            {"lblServername", " Server Name:"},
            {"lblMap", " Map:"},
            {"lblMod", " Mod:"},
            {"lblPlayers", " Players:"},
            {"lblBlue", " Blue:"},
            {"lblRed", " Red:"},
            {"lblSpectators", " Spectators:"},
            {"Label1", " Other Info:"},
            {"txtDemoType", ""},
            {"txtServername", ""},
            {"cmdCreateDemoLog", "&Create Demo log"},
            {"cmdLoadDemo", "Load Demo"},
            {"cmdOk", "&Ok"},
        };
        for (const auto& [name, caption] : captions) {
            QString shown;
            QWidget* control = window->findChild<QWidget*>(name);
            if (auto* label = qobject_cast<QLabel*>(control))
                shown = label->text();
            else if (auto* button = qobject_cast<QPushButton*>(control))
                shown = button->text();
            else if (auto* field = qobject_cast<QLineEdit*>(control))
                shown = field->text();
            QCOMPARE(shown, QString(caption));
        }
        QCOMPARE(window->Frame1->title(), QString());
        // The lines are one pixel high, from their left end to their right end.
        for (const LayoutLineControl& expected : LayoutLines()) {
            auto* line = window->findChild<QFrame*>(expected.name);
            QVERIFY2(line != nullptr, expected.name);
            const QLine ends = TwipsToPixels(expected.designed);
            QCOMPARE(line->geometry(), QRect(ends.x1(), ends.y1(), ends.x2() - ends.x1() + 1, 1));
            QCOMPARE(line->parentWidget(), static_cast<QWidget*>(window->Frame1));
        }

        QVERIFY(!window->cmdCreateDemoLog->isEnabled());
        QVERIFY(window->txtServername->isReadOnly());
        QVERIFY(window->lblBlue->font().bold());
        QCOMPARE(window->lblBlue->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(window->lblRed->palette().color(QPalette::Window), QColor(Qt::yellow));
        QVERIFY(!window->Picture1->pixmap().isNull());
        QVERIFY(!window->Picture1->toolTip().isEmpty());
        QCOMPARE(window->lstPlayersBlue->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!window->lstPlayersBlue->isSortingEnabled());
    }

    void commandLineLoadFillsTheFieldsBeforeTheWindowShows() {
        const std::string demo = temp->write("demo folder/a b.tst", "0123456789AB");
        StartUp(*session, "\"" + demo + "\"", std::string("1"));
        window->refresh();
        QCOMPARE(window->txtFileSize->text(), QString("12 bytes"));
        QCOMPARE(window->txtDemoType->text(), QString("Test Game 1.0 (.tst)"));
        QCOMPARE(window->txtGameVersion->text(), QString("1.0"));
        QVERIFY(window->cmdCreateDemoLog->isEnabled());
        QVERIFY(!ui->waitWindow().isVisible());
        QVERIFY(ui->messages.empty());
    }

    void waitWindowIsUpDuringTheLoadAndTheBoxSeesFreshFields() {
        const std::string demo = temp->write("unknown.xyz", "0123456789AB");
        StartUp(*session, demo, std::nullopt);
        QCOMPARE(ui->messages.size(), std::size_t{1});
        const ShownMessage& shown = ui->messages.front();
        QCOMPARE(shown.icon, QMessageBox::Warning);
        QCOMPARE(shown.title, QString("Kalvenor - Fenlark v1.00"));
        QVERIFY(shown.waitVisible);
        QCOMPARE(shown.fileSizeShown, QString("12 bytes"));
        QVERIFY(!ui->waitWindow().isVisible());

        const WaitWindow& wait = ui->waitWindow();
        QCOMPARE(wait.objectName(), QString("frmWait"));
        // A tool window of the main window: no taskbar entry, no caption of its own.
        QCOMPARE(wait.windowType(), Qt::Tool);
        QCOMPARE(wait.parentWidget(), static_cast<QWidget*>(window.get()));
        QVERIFY(wait.windowTitle().isEmpty());
        QCOMPARE(wait.size(), QSize(313, 89));
        // The thin border is drawn around the button.
        QCOMPARE(wait.cmdWait->geometry(), QRect(1, 1, 311, 87));
        QCOMPARE(wait.cmdWait->text(), QString("Processing demo please wait..."));
        QVERIFY(wait.cmdWait->font().bold());
        QCOMPARE(wait.cmdWait->font().pointSizeF(), 14.25);
    }

    void anUnreadableDemoEndsTheProgram() {
        const std::string demo = temp->write("empty.gone", "");
        StartUp(*session, demo, std::nullopt);
        QVERIFY(ui->exited);
        QVERIFY(session->programEnded);
        QCOMPARE(ui->messages.size(), std::size_t{1});
        QCOMPARE(ui->messages.front().icon, QMessageBox::Critical);
        QVERIFY(!ui->waitWindow().isVisible());
    }

    void loadDemoButtonAsksForAFileAndCancelKeepsTheDemo() {
        const std::string first = temp->write("first.tst", "0123456789AB");
        ui->dialogAnswer = QString::fromStdString(first);
        QTest::mouseClick(window->cmdLoadDemo, Qt::LeftButton);
        QCOMPARE(ui->dialogs.size(), std::size_t{1});
        const FileDialogSetup& setup = ui->dialogs.front();
        QCOMPARE(setup.title, QString("Load Demo"));
        QCOMPARE(setup.acceptMode, QFileDialog::AcceptOpen);
        QCOMPARE(setup.initialName, QString("*.*"));
        QCOMPARE(window->txtFileSize->text(), QString("12 bytes"));

        ui->dialogAnswer.reset();
        QTest::mouseClick(window->cmdLoadDemo, Qt::LeftButton);
        QCOMPARE(ui->dialogs.size(), std::size_t{2});
        QCOMPARE(window->txtDemoType->text(), QString("Test Game 1.0 (.tst)"));
        QCOMPARE(session->DemoPath, std::filesystem::canonical(first).string());

        // A file dropped on the window is loaded the same way.
        const std::string second = temp->write("second.tst", std::string(1000, 'x'));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(second))});
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &drop);
        QCOMPARE(window->txtFileSize->text(), QString("1,000 bytes"));
        QCOMPARE(ui->dialogs.size(), std::size_t{2});
    }

    void aDropIsAlwaysTakenAsACopy() {
        const std::string demo = temp->write("dropped.tst", std::string(20, 'x'));
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(demo))});
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // Shift asks the file manager's drag for a move.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &mime,
                              Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(enter.proposedAction(), Qt::MoveAction);
        QCoreApplication::sendEvent(window->windowHandle(), &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                        Qt::ShiftModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &drop);
        QCOMPARE(drop.dropAction(), Qt::CopyAction);
        QCOMPARE(window->txtFileSize->text(), QString("20 bytes"));

        // A drag that can only move is refused and loads nothing.
        const std::string other = temp->write("moved.tst", std::string(30, 'x'));
        QMimeData moveOnly;
        moveOnly.setUrls({QUrl::fromLocalFile(QString::fromStdString(other))});
        QDropEvent move(QPointF(10, 10), Qt::MoveAction, &moveOnly, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->windowHandle(), &move);
        QVERIFY(!move.isAccepted() || move.dropAction() != Qt::MoveAction);
        QCOMPARE(window->txtFileSize->text(), QString("20 bytes"));
    }

    void fileDialogsAcceptAnyNameAndShowTheCoreFilter() {
        QCOMPARE(NameFiltersFromCore("Demos (*.*)|*.*"), QStringList{"Demos (*.*) (*)"});
        QCOMPARE(NameFiltersFromCore("Text Documents (*.txt)|*.txt|All|*.a;*.b"),
                 (QStringList{"Text Documents (*.txt) (*.txt)", "All (*.a *.b)"}));

        QFileDialog dialog;
        ConfigureFileDialog(dialog, OpenDialogSetup({"Load Demo", "Demos (*.*)|*.*", "*.*"}));
        QCOMPARE(dialog.fileMode(), QFileDialog::AnyFile);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog.windowTitle(), QString("Load Demo"));
        auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types != nullptr);
        QCOMPARE(types->currentText(), QString("Demos (*.*)"));

        QFileDialog save;
        ConfigureFileDialog(save,
                            SaveDialogSetup({"Save", "Text Documents (*.txt)|*.txt", "x.txt"}));
        QCOMPARE(save.acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(save.testOption(QFileDialog::DontConfirmOverwrite));
    }

    void doubleClickShowsThePlayersDetails() {
        session->summary.lstPlayersBlue.append("Alice", "\\Model\\sarge\\Handicap\\100\\");
        session->summary.lstPlayersBlue.append("J\xc3\xa9r\xc3\xb4me", "\\name\\B\\");
        window->refresh();
        QCOMPARE(window->lstPlayersBlue->count(), 2);
        QCOMPARE(window->lstPlayersBlue->item(1)->text(), QString("Jérôme"));

        QListWidget* list = window->lstPlayersBlue;
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(ui->messages.size(), std::size_t{1});
        QCOMPARE(ui->messages.front().icon, QMessageBox::Information);
        QCOMPARE(ui->messages.front().text, QString("Player: Jérôme\nname: B\n"));

        // A new demo replaces the items, and item 0 then belongs to it.
        ClearDemoFields(session->summary);
        session->summary.lstPlayersBlue.append("Zed", "\\Model\\grunt\\");
        window->markFieldsCleared();
        window->refresh();
        QCOMPARE(window->lstPlayersBlue->count(), 1);
        const QPoint first = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first);
        QCOMPARE(ui->messages.size(), std::size_t{2});
        QCOMPARE(ui->messages.back().text, QString("Player: Zed\nModel: grunt\n"));
    }

    void doubleClickBelowTheLastItemAndEnterShowTheSelectedPlayer() {
        session->summary.lstPlayersRed.append("Alice", "\\Model\\sarge\\");
        session->summary.lstPlayersRed.append("Bob", "\\Model\\doom\\");
        window->refresh();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QListWidget* list = window->lstPlayersRed;
        const QRect lastItem = list->visualItemRect(list->item(1));
        const QPoint below(lastItem.center().x(), lastItem.bottom() + 6);
        QVERIFY(below.y() < list->viewport()->height());
        QVERIFY(list->itemAt(below) == nullptr);

        // Nothing selected yet: nothing to show.
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(ui->messages.empty());

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, lastItem.center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(ui->messages.size(), std::size_t{1});
        QCOMPARE(ui->messages.back().text, QString("Player: Bob\nModel: doom\n"));

        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(ui->messages.size(), std::size_t{2});
        QCOMPARE(ui->messages.back().text, QString("Player: Alice\nModel: sarge\n"));
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(ui->messages.size(), std::size_t{3});
    }

    void veryLongPlayerListsAreShown() {
        for (int i = 0; i < 32767; ++i) {
            session->summary.lstPlayersSpectators.append("p" + std::to_string(i), "\\a\\b\\");
        }
        window->refresh();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(window->lstPlayersSpectators->count(), 32767);
        QCOMPARE(window->lstPlayersSpectators->item(32766)->text(), QString("p32766"));
    }

    void everyLoadResetsTheOtherInfoColumns() {
        const std::string demo = temp->write("same.tst", "0123456789AB");
        LoadChosenDemo(*session, demo);
        window->refresh();
        QHeaderView* header = window->lstOtherInfo->header();
        QCOMPARE(header->count(), 2);
        QCOMPARE(header->sectionSize(0), 133);
        QCOMPARE(header->sectionSize(1), 153);

        // The user widens the columns; the next demo has the very same columns.
        header->resizeSection(0, 300);
        header->resizeSection(1, 40);
        LoadChosenDemo(*session, demo);
        window->refresh();
        QCOMPARE(header->sectionSize(0), 133);
        QCOMPARE(header->sectionSize(1), 153);

        // The resize rules widen the columns with the window; a load resets them too.
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->resize(700, 500);
        QVERIFY(header->sectionSize(0) != 133);
        LoadChosenDemo(*session, demo);
        window->refresh();
        QCOMPARE(header->sectionSize(0), 133);
        QCOMPARE(header->sectionSize(1), 153);

        // A refresh without a load keeps what the user chose.
        header->resizeSection(0, 250);
        window->refresh();
        QCOMPARE(header->sectionSize(0), 250);
    }

    void creditLineAndMessageBoxesAreNotCutOff() {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // A face taller than the designed one, as a desktop's scaling may give.
        QFont tall = window->lblVersion->font();
        tall.setPixelSize(16);
        window->lblVersion->setFont(tall);
        for (const QSize size : {QSize(600, 500), QSize(480, 415)}) {
            window->resize(size);
            const QLabel* credit = window->lblVersion;
            const QRect text = credit->style()->itemTextRect(
                credit->fontMetrics(), credit->contentsRect(),
                static_cast<int>(credit->alignment()), true, credit->text());
            const QRect inWindow = text.translated(credit->pos());
            QVERIFY2(inWindow.bottom() < window->height(),
                     qPrintable(QString::number(inWindow.bottom())));
        }

        const QString title = "Kalvenor - Fenlark v1.00 with a rather long title for a box";
        QMessageBox box(QMessageBox::Information, title, "x", QMessageBox::Ok);
        FitMessageBoxToTitle(box);
        QVERIFY(box.sizeHint().width() > box.fontMetrics().horizontalAdvance(title));
    }

    void otherInfoShowsColumnsRowsAndTheSelectedRow() {
        OtherInfoList& info = session->summary.lstOtherInfo;
        info.resetColumns();
        info.rows = {{"sv_hostname", "Caf\xc3\xa9"}, {"g_gametype", "4"}};
        info.selectedRow = 0;
        session->summary.txtServername = "Some server";
        window->refresh();
        QCOMPARE(window->lstOtherInfo->columnCount(), 2);
        QCOMPARE(window->lstOtherInfo->headerItem()->text(0), QString("Cvar"));
        QCOMPARE(window->lstOtherInfo->header()->sectionSize(0), 133);
        QCOMPARE(window->lstOtherInfo->header()->sectionSize(1), 153);
        QCOMPARE(window->lstOtherInfo->topLevelItemCount(), 2);
        QCOMPARE(window->lstOtherInfo->topLevelItem(0)->text(1), QString("Café"));
        QVERIFY(window->lstOtherInfo->topLevelItem(0)->isSelected());
        QCOMPARE(window->txtServername->text(), QString("Some server"));

        ClearDemoFields(session->summary);
        window->refresh();
        QCOMPARE(window->lstOtherInfo->topLevelItemCount(), 0);
        QCOMPARE(window->lstOtherInfo->columnCount(), 2);
        QCOMPARE(window->txtServername->text(), QString());
    }

    void resizingAppliesTheLayoutRules() {
        session->summary.lstOtherInfo.resetColumns();
        window->refresh();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // First shown: the rules run for the designed size.
        QCOMPARE(window->Frame1->width(), 465);
        QCOMPARE(window->txtServername->width(), 345);
        QCOMPARE(window->lstOtherInfo->header()->sectionSize(0), qRound((5175 / 2.0 - 445) / 15));

        const int narrowOk = window->cmdOk->x();
        window->resize(480 + 67, 415); // 1005 twips wider
        QCOMPARE(window->txtServername->width(), 345 + 67);
        QCOMPARE(window->lstOtherInfo->width(), 345 + 67);
        QCOMPARE(window->cmdOk->x(), narrowOk + 67);
        QCOMPARE(window->cmdCreateDemoLog->x(), 8);

        const int lowList = window->lstPlayersBlue->height();
        const int lowButton = window->cmdOk->y();
        window->resize(480 + 67, 415 + 100);
        QVERIFY(window->lstPlayersBlue->height() > lowList);
        QCOMPARE(window->lstPlayersRed->height(), window->lstPlayersBlue->height());
        QCOMPARE(window->cmdOk->y(), lowButton + 100);
        QCOMPARE(window->lstPlayersRed->width(), window->lstPlayersBlue->width());

        // Too small for the value fields: they keep their last widths.
        const int wideField = window->txtServername->width();
        window->resize(60, 415 + 100);
        QCOMPARE(window->txtServername->width(), wideField);
        QCOMPARE(window->Frame1->width(), (60 * 15 + 120 - 345) / 15);
    }

    void okClosesTheProgram() {
        QSignalSpy closed(window.get(), &FenlarkWindow::programClosed);
        window->show();
        QTest::mouseClick(window->cmdOk, Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window->isVisible());
    }
};

int main(int argc, char** argv) {
    // Never the user's real settings, whatever the environment says.
    test::TempFolder config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(config.path(""))));
    QApplication app(argc, argv);
    FenlarkWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FenlarkWindowTest.moc"
