#pragma once
// frmFenlark: the main window. It renders the session's DemoSummary and hands
// every user action to the core; it holds no demo information of its own.

#include "app/WindowLayout.h"
#include "core/DemoSummary.h"

#include <QWidget>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace fenlark {
class Session;
}

namespace fenlark::gui {

class QtUserInterface;

inline constexpr const char* CreditText = "Fenlark v1.00 - by Kalvenor";

class FenlarkWindow : public QWidget {
    Q_OBJECT
public:
    FenlarkWindow(Session& session, QtUserInterface& ui, QWidget* parent = nullptr);

    // Shows what the session's summary holds now. Fields that did not change
    // are left alone, so a selection the user made survives.
    void refresh();
    // A load has cleared the fields: the next refresh rebuilds the lists even
    // when the new demo happens to have the same content.
    void markFieldsCleared() { fieldsCleared_ = true; }

    // The current rectangles in twips, as the resize rules left them.
    const WindowLayout& currentLayout() const { return layout_; }

    // The controls, named as designed. Frame1 holds everything from Picture1
    // to Label1.
    QGroupBox* Frame1;
    QLabel* Picture1;
    QLabel* lblDemoType;
    QLabel* txtDemoType;
    QLabel* lblFileSize;
    QLabel* txtFileSize;
    QFrame* Line1;
    QLabel* lblDemoProtocol;
    QLineEdit* txtDemoProtocol;
    QLabel* lblGameVersion;
    QLineEdit* txtGameVersion;
    QFrame* Line2;
    QLabel* lblServername;
    QLineEdit* txtServername;
    QLabel* lblMap;
    QLineEdit* txtMap;
    QLabel* lblMod;
    QLineEdit* txtMod;
    QLabel* lblPlayers;
    QLabel* lblBlue;
    QLabel* lblRed;
    QLabel* lblSpectators;
    QListWidget* lstPlayersBlue;
    QListWidget* lstPlayersRed;
    QListWidget* lstPlayersSpectators;
    QLabel* Label1;
    QTreeWidget* lstOtherInfo;
    QPushButton* cmdCreateDemoLog;
    QPushButton* cmdLoadDemo;
    QPushButton* cmdOk;
    QLabel* lblVersion;

signals:
    // The window was closed, from its title bar or by cmdOk: the program ends.
    void programClosed();
    // "Library..." in the context menu, or Ctrl+L.
    void libraryRequested();

public slots:
    void loadDemoClicked();
    void createDemoLogClicked();
    void okClicked();
    // Opens a file as the Load Demo dialog would have: path clean-up, then the load.
    void loadDroppedFile(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Double-clicks anywhere in a player list and Enter on a player list.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void applyLayout();
    void placeCreditLine();
    // The summary's list shown in a player list widget, or nullptr.
    const PlayerList* playerListOf(const QObject* widget) const;
    void showFirstSelectedPlayer(const QListWidget* widget);
    void renderPlayerList(QListWidget* widget, const PlayerList& list,
                          std::vector<std::string>& rendered) const;
    void renderOtherInfo(const OtherInfoList& list);

    Session& session_;
    QtUserInterface& ui_;
    WindowLayout layout_;
    bool centred_ = false;
    bool fieldsCleared_ = false;

    // What the list widgets show, to tell whether the summary changed.
    std::vector<std::string> renderedBlue_;
    std::vector<std::string> renderedRed_;
    std::vector<std::string> renderedSpectators_;
    std::vector<ListColumn> renderedColumns_;
    std::optional<unsigned> renderedColumnResets_;
    std::vector<OtherInfoRow> renderedRows_;
    std::optional<std::size_t> renderedSelectedRow_;

    // The controls placed from the layout table, with their rectangles.
    std::vector<std::pair<QWidget*, LayoutRect WindowLayout::*>> placedControls_;
};

} // namespace fenlark::gui
