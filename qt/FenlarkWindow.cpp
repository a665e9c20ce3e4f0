#include "qt/FenlarkWindow.h"

#include "app/Commands.h"
#include "app/PlayerDetails.h"
#include "core/Session.h"
#include "qt/LocalDrop.h"
#include "qt/ProgramIcon.h"
#include "qt/QtUserInterface.h"
#include "qt/Twips.h"
#include "qt/WaitWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QUrl>

namespace fenlark::gui {

namespace {

// The designed font of the window: Arial 8.25 points.
constexpr double FontPoints = 8.25;

QFont ArialFont(bool bold) {
    QFont font("Arial");
    font.setPointSizeF(FontPoints);
    font.setBold(bold);
    return font;
}

template <typename Widget> Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* Caption(QWidget* parent, const char* name, const char* text) {
    return Named(new QLabel(text, parent), name);
}

QLineEdit* ValueField(QWidget* parent, const char* name) {
    auto* field = Named(new QLineEdit(parent), name);
    // Shown for reading and copying, never for editing.
    field->setReadOnly(true);
    return field;
}

QListWidget* PlayerListBox(QWidget* parent, const char* name) {
    auto* list = Named(new QListWidget(parent), name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    // A definition may fill a list with tens of thousands of names: with
    // uniform sizes the view lays out one item instead of every one.
    list->setUniformItemSizes(true);
    return list;
}

QFrame* HorizontalLine(QWidget* parent, const char* name) {
    auto* line = Named(new QFrame(parent), name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    return line;
}

void ColourCaption(QLabel* label, Qt::GlobalColor text) {
    label->setFont(ArialFont(true));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Window, Qt::yellow);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

void SetText(QLabel* label, const std::string& text) {
    const QString shown = DisplayText(text);
    if (label->text() != shown) {
        label->setText(shown);
    }
}

void SetText(QLineEdit* field, const std::string& text) {
    const QString shown = DisplayText(text);
    if (field->text() != shown) {
        field->setText(shown);
        field->setCursorPosition(0);
    }
}

void Place(QWidget* widget, const LayoutRect& rect) {
    widget->setGeometry(TwipsToPixels(rect));
}

// A line is drawn one pixel high from its left end to its right end, in
// whichever direction the ends lie.
void Place(QFrame* line, const LayoutLine& ends) {
    const QLine pixels = TwipsToPixels(ends);
    const int left = std::min(pixels.x1(), pixels.x2());
    const int right = std::max(pixels.x1(), pixels.x2());
    line->setGeometry(left, pixels.y1(), right - left + 1, 1);
}

std::optional<std::size_t> FirstSelectedRow(const QListWidget* widget) {
    for (int row = 0; row < widget->count(); ++row) {
        if (widget->item(row)->isSelected()) {
            return static_cast<std::size_t>(row);
        }
    }
    return std::nullopt;
}

} // namespace

FenlarkWindow::FenlarkWindow(Session& session, QtUserInterface& ui, QWidget* parent)
    : QWidget(parent), session_(session), ui_(ui), layout_(DesignedLayout()) {
    setObjectName("frmFenlark");
    setWindowTitle(ApplicationTitle);
    setWindowIcon(QIcon(ProgramImage()));
    setFont(ArialFont(false));
    setAcceptDrops(true);
    createControls();
    // The library of all demos: in the window's context menu and on Ctrl+L.
    auto* library = new QAction(QStringLiteral("Library..."), this);
    library->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(library, &QAction::triggered, this, &FenlarkWindow::libraryRequested);
    addAction(library);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    applyLayout();
    resize(TwipsToPixels(DesignedClientWidth), TwipsToPixels(DesignedClientHeight));
}

void FenlarkWindow::createControls() {
    Frame1 = Named(new QGroupBox(this), "Frame1");

    Picture1 = Named(new QLabel(Frame1), "Picture1");
    Picture1->setPixmap(ProgramImage());
    Picture1->setAlignment(Qt::AlignCenter);
    Picture1->setFrameShape(QFrame::StyledPanel);
    Picture1->setFrameShadow(QFrame::Sunken);
    Picture1->setToolTip(CreditText);

    lblDemoType = Caption(Frame1, "lblDemoType", "Demo Type:");
    txtDemoType = Caption(Frame1, "txtDemoType", "");
    txtDemoType->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFileSize = Caption(Frame1, "lblFileSize", "File Size:");
    txtFileSize = Caption(Frame1, "txtFileSize", "");
    txtFileSize->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Line1 = HorizontalLine(Frame1, "Line1");
    lblDemoProtocol = Caption(Frame1, "lblDemoProtocol", " Demo Protocol:");
    txtDemoProtocol = ValueField(Frame1, "txtDemoProtocol");
    lblGameVersion = Caption(Frame1, "lblGameVersion", " Game Version:");
    txtGameVersion = ValueField(Frame1, "txtGameVersion");
    Line2 = HorizontalLine(Frame1, "Line2");
    lblServername = Caption(Frame1, "lblServername", " Server Name:");
    txtServername = ValueField(Frame1, "txtServername");
    lblMap = Caption(Frame1, "lblMap", " Map:");
    txtMap = ValueField(Frame1, "txtMap");
    lblMod = Caption(Frame1, "lblMod", " Mod:");
    txtMod = ValueField(Frame1, "txtMod");
    lblPlayers = Caption(Frame1, "lblPlayers", " Players:");
    lblBlue = Caption(Frame1, "lblBlue", " Blue:");
    ColourCaption(lblBlue, Qt::blue);
    lblRed = Caption(Frame1, "lblRed", " Red:");
    ColourCaption(lblRed, Qt::red);
    lblSpectators = Caption(Frame1, "lblSpectators", " Spectators:");
    lstPlayersBlue = PlayerListBox(Frame1, "lstPlayersBlue");
    lstPlayersRed = PlayerListBox(Frame1, "lstPlayersRed");
    lstPlayersSpectators = PlayerListBox(Frame1, "lstPlayersSpectators");
    Label1 = Caption(Frame1, "Label1", " Other Info:");

    // Lies over the frame, in the client area's coordinates.
    lstOtherInfo = Named(new QTreeWidget(this), "lstOtherInfo");
    lstOtherInfo->setColumnCount(0);
    lstOtherInfo->setRootIsDecorated(false);
    lstOtherInfo->setUniformRowHeights(true);
    lstOtherInfo->setAllColumnsShowFocus(true);
    lstOtherInfo->setSelectionMode(QAbstractItemView::SingleSelection);
    lstOtherInfo->header()->setStretchLastSection(false);
    lstOtherInfo->header()->setSectionsMovable(false);

    cmdCreateDemoLog = Named(new QPushButton("&Create Demo log", this), "cmdCreateDemoLog");
    cmdCreateDemoLog->setEnabled(false);
    cmdLoadDemo = Named(new QPushButton("Load Demo", this), "cmdLoadDemo");
    cmdOk = Named(new QPushButton("&Ok", this), "cmdOk");
    lblVersion = Caption(this, "lblVersion", CreditText);
    // Drawn from the top like the designed label, so the part of its
    // rectangle that hangs below the client area holds no text.
    lblVersion->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    connect(cmdLoadDemo, &QPushButton::clicked, this, &FenlarkWindow::loadDemoClicked);
    connect(cmdCreateDemoLog, &QPushButton::clicked, this, &FenlarkWindow::createDemoLogClicked);
    connect(cmdOk, &QPushButton::clicked, this, &FenlarkWindow::okClicked);
    // A double-click counts anywhere in a list, below its last item too, so
    // it is taken from the viewport rather than from the items.
    for (QListWidget* list : {lstPlayersBlue, lstPlayersRed, lstPlayersSpectators}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

    // Every control of the layout table, found once by its designed name.
    for (const LayoutControl& control : LayoutControls()) {
        auto* widget = findChild<QWidget*>(control.name);
        Q_ASSERT(widget != nullptr);
        placedControls_.emplace_back(widget, control.rect);
    }
}

void FenlarkWindow::applyLayout() {
    for (const auto& [widget, rect] : placedControls_) {
        Place(widget, layout_.*rect);
    }
    Place(Line1, layout_.Line1);
    Place(Line2, layout_.Line2);
    placeCreditLine();
    QHeaderView* header = lstOtherInfo->header();
    const int columns =
        std::min(header->count(), static_cast<int>(layout_.otherInfoColumns.size()));
    for (int column = 0; column < columns; ++column) {
        header->resizeSection(
            column, TwipsToPixels(layout_.otherInfoColumns[static_cast<std::size_t>(column)]));
    }
}

void FenlarkWindow::placeCreditLine() {
    // The designed rectangle reaches a little below the client area; where the
    // face in use is taller than what is left, the line moves up so that its
    // text is never cut off at the bottom.
    const int textHeight = lblVersion->fontMetrics().height();
    const int lowestTop = height() - textHeight;
    if (lblVersion->y() > lowestTop && lowestTop >= 0) {
        lblVersion->move(lblVersion->x(), lowestTop);
    }
}

void FenlarkWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The rules are written against the outer size of the designed window;
    // the border and title bar it had are added to the client area here, so
    // the layout does not depend on the decorations of the desktop in use.
    const double outerWidth = PixelsToTwips(width()) + DesignedFrameWidth;
    const double outerHeight = PixelsToTwips(height()) + DesignedFrameHeight;
    const QHeaderView* header = lstOtherInfo->header();
    layout_.otherInfoColumns.clear();
    for (int column = 0; column < header->count(); ++column) {
        layout_.otherInfoColumns.push_back(
            static_cast<float>(PixelsToTwips(header->sectionSize(column))));
    }
    ApplyResizeRules(outerWidth, outerHeight, layout_);
    applyLayout();
}

void FenlarkWindow::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = frameGeometry();
            area.moveCenter(screen->availableGeometry().center());
            move(area.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void FenlarkWindow::closeEvent(QCloseEvent* event) {
    ui_.hideWait();
    event->accept();
    emit programClosed();
}

void FenlarkWindow::dragEnterEvent(QDragEnterEvent* event) {
    AcceptLocalDrop(event, DropCount::One);
}

void FenlarkWindow::dragMoveEvent(QDragMoveEvent* event) {
    AcceptLocalDrop(event, DropCount::One);
}

void FenlarkWindow::dropEvent(QDropEvent* event) {
    if (AcceptLocalDrop(event, DropCount::One)) {
        loadDroppedFile(event->mimeData()->urls().front().toLocalFile());
    }
}

void FenlarkWindow::loadDemoClicked() {
    LoadDemoCommand(session_);
    refresh();
}

void FenlarkWindow::createDemoLogClicked() {
    CreateDemoLogCommand(session_);
    refresh();
}

void FenlarkWindow::okClicked() {
    close();
}

void FenlarkWindow::loadDroppedFile(const QString& path) {
    LoadChosenDemo(session_, QFile::encodeName(path).toStdString());
    refresh();
}

const PlayerList* FenlarkWindow::playerListOf(const QObject* widget) const {
    if (widget == lstPlayersBlue) {
        return &session_.summary.lstPlayersBlue;
    }
    if (widget == lstPlayersRed) {
        return &session_.summary.lstPlayersRed;
    }
    if (widget == lstPlayersSpectators) {
        return &session_.summary.lstPlayersSpectators;
    }
    return nullptr;
}

void FenlarkWindow::showFirstSelectedPlayer(const QListWidget* widget) {
    if (const PlayerList* list = playerListOf(widget)) {
        ShowPlayerDetails(session_, *list, FirstSelectedRow(widget));
    }
}

bool FenlarkWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* list = qobject_cast<QListWidget*>(watched->parent());
        if (mouse->button() == Qt::LeftButton && list != nullptr && watched == list->viewport() &&
            playerListOf(list) != nullptr) {
            showFirstSelectedPlayer(list);
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* list = qobject_cast<QListWidget*>(watched);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && list != nullptr &&
            playerListOf(list) != nullptr && FirstSelectedRow(list)) {
            showFirstSelectedPlayer(list);
            return true;
        }
    } else if (event->type() == QEvent::MouseButtonPress) {
        // A click below the last item keeps the selection, as the designed
        // list box did, so that a double-click there still means that player.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* list = qobject_cast<QListWidget*>(watched->parent());
        if (list != nullptr && watched == list->viewport() && playerListOf(list) != nullptr &&
            list->itemAt(mouse->position().toPoint()) == nullptr) {
            list->setFocus(Qt::MouseFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FenlarkWindow::refresh() {
    const DemoSummary& summary = session_.summary;
    SetText(txtDemoType, summary.txtDemoType);
    SetText(txtFileSize, summary.txtFileSize);
    SetText(txtDemoProtocol, summary.txtDemoProtocol);
    SetText(txtGameVersion, summary.txtGameVersion);
    SetText(txtServername, summary.txtServername);
    SetText(txtMap, summary.txtMap);
    SetText(txtMod, summary.txtMod);
    renderPlayerList(lstPlayersBlue, summary.lstPlayersBlue, renderedBlue_);
    renderPlayerList(lstPlayersRed, summary.lstPlayersRed, renderedRed_);
    renderPlayerList(lstPlayersSpectators, summary.lstPlayersSpectators, renderedSpectators_);
    renderOtherInfo(summary.lstOtherInfo);
    cmdCreateDemoLog->setEnabled(summary.cmdCreateDemoLogEnabled);
    fieldsCleared_ = false;
}

void FenlarkWindow::renderPlayerList(QListWidget* widget, const PlayerList& list,
                                     std::vector<std::string>& rendered) const {
    if (!fieldsCleared_ && rendered == list.items) {
        return;
    }
    widget->clear();
    QStringList names;
    names.reserve(static_cast<qsizetype>(list.items.size()));
    for (const std::string& name : list.items) {
        names.append(DisplayText(name));
    }
    widget->addItems(names);
    rendered = list.items;
}

void FenlarkWindow::renderOtherInfo(const OtherInfoList& list) {
    // Columns keep the widths the resize rules or the user gave them until
    // the core sets them up again, which every load does, even with the same
    // captions and widths.
    if (list.columns != renderedColumns_ || list.columnResets != renderedColumnResets_) {
        QStringList captions;
        for (const ListColumn& column : list.columns) {
            captions.append(DisplayText(column.text));
        }
        lstOtherInfo->setColumnCount(static_cast<int>(captions.size()));
        lstOtherInfo->setHeaderLabels(captions);
        for (int column = 0; column < lstOtherInfo->columnCount(); ++column) {
            lstOtherInfo->header()->resizeSection(
                column, TwipsToPixels(list.columns[static_cast<std::size_t>(column)].width));
        }
        renderedColumns_ = list.columns;
        renderedColumnResets_ = list.columnResets;
    }

    const bool rowsChanged = fieldsCleared_ || list.rows != renderedRows_;
    if (rowsChanged) {
        lstOtherInfo->clear();
        QList<QTreeWidgetItem*> items;
        for (const OtherInfoRow& row : list.rows) {
            items.append(
                new QTreeWidgetItem(QStringList{DisplayText(row.name), DisplayText(row.value)}));
        }
        lstOtherInfo->addTopLevelItems(items);
        renderedRows_ = list.rows;
    }
    if (rowsChanged || list.selectedRow != renderedSelectedRow_) {
        if (list.selectedRow && *list.selectedRow < list.rows.size()) {
            lstOtherInfo->setCurrentItem(
                lstOtherInfo->topLevelItem(static_cast<int>(*list.selectedRow)));
        }
        renderedSelectedRow_ = list.selectedRow;
    }
}

} // namespace fenlark::gui
