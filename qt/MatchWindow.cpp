#include "qt/MatchWindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <utility>

namespace fenlark::gui {

namespace {

constexpr int ProgressSteps = 1000; // the bar counts in thousandths of the file
constexpr std::int64_t MsPerSecond = 1000;
constexpr std::int64_t SecondsPerMinute = 60;
constexpr std::int64_t TenthMs = 100;
constexpr int DefaultWidth = 640;
constexpr int DefaultHeight = 520;
constexpr int PlayerClientColumn = 3;

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "m:ss.t"; a negative time (before the first snapshot) keeps its sign.
QString MatchTime(std::int64_t ms) {
    const bool negative = ms < 0;
    const std::int64_t magnitude = negative ? -ms : ms;
    const std::int64_t seconds = magnitude / MsPerSecond;
    return QString("%1%2:%3.%4")
        .arg(negative ? "-" : "")
        .arg(seconds / SecondsPerMinute)
        .arg(seconds % SecondsPerMinute, 2, 10, QChar('0'))
        .arg((magnitude % MsPerSecond) / TenthMs);
}

// A table cell that sorts by a number of its own (times, scores) instead of
// its text.
class SortItem : public QTableWidgetItem {
public:
    SortItem(const QString& text, std::optional<std::int64_t> key) : QTableWidgetItem(text) {
        if (key) {
            setData(Qt::UserRole, static_cast<qlonglong>(*key));
        }
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(Qt::UserRole);
        const QVariant theirs = other.data(Qt::UserRole);
        if (mine.isValid() && theirs.isValid()) {
            return mine.toLongLong() < theirs.toLongLong();
        }
        if (mine.isValid() != theirs.isValid()) {
            return theirs.isValid(); // unknown values sort first
        }
        return QTableWidgetItem::operator<(other);
    }
};

QTableWidgetItem* Cell(const QString& text, std::optional<std::int64_t> key = std::nullopt) {
    auto* item = new SortItem(text, key);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QTableWidget* Table(QWidget* parent, const char* name, const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

QLabel* Value(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Turns sorting on, first in the given column's ascending order: players by
// client number, chat and frags by time, as they happened.
void EnableSorting(QTableWidget* table, int column) {
    table->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    table->setSortingEnabled(true);
}

void SetRow(QTableWidget* table, int row, std::initializer_list<QTableWidgetItem*> cells) {
    int column = 0;
    for (QTableWidgetItem* cell : cells) {
        table->setItem(row, column++, cell);
    }
}

} // namespace

MatchWindow::MatchWindow(MatchAnalysisRequest request, const QString& demoName, QWidget* parent)
    : QWidget(parent, Qt::Window), request_(std::move(request)) {
    setObjectName("frmMatch");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString("Match - %1").arg(demoName));
    createControls();
    resize(DefaultWidth, DefaultHeight);
    start();
}

MatchWindow::~MatchWindow() {
    cancelRequested_ = true;
    if (worker_ != nullptr) {
        worker_->wait();
    }
}

void MatchWindow::createControls() {
    auto* layout = new QVBoxLayout(this);

    auto* summary = new QFormLayout;
    txtDuration = Value(this, "txtDuration");
    txtRecorder = Value(this, "txtRecorder");
    txtGameType = Value(this, "txtGameType");
    txtScore = Value(this, "txtScore");
    txtWinner = Value(this, "txtWinner");
    summary->addRow("Duration:", txtDuration);
    summary->addRow("Recorded by:", txtRecorder);
    summary->addRow("Game type:", txtGameType);
    summary->addRow("Score:", txtScore);
    summary->addRow("Winner:", txtWinner);
    layout->addLayout(summary);

    auto* status = new QHBoxLayout;
    lblStatus = Value(this, "lblStatus");
    progress = new QProgressBar(this);
    progress->setObjectName("progress");
    progress->setRange(0, ProgressSteps);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    status->addWidget(lblStatus, 1);
    status->addWidget(progress, 1);
    status->addWidget(cmdCancel);
    layout->addLayout(status);

    tabs = new QTabWidget(this);
    tabs->setObjectName("tabs");
    tblPlayers = Table(tabs, "tblPlayers", {"Name", "Team", "Score", "Client", "Joined", "Left"});
    tblChat = Table(tabs, "tblChat", {"Time", "Team chat", "Sender", "Text"});
    tblFrags = Table(tabs, "tblFrags", {"Time", "Killer", "Victim", "Means"});
    tabs->addTab(tblPlayers, "Players");
    tabs->addTab(tblChat, "Chat");
    tabs->addTab(tblFrags, "Frags");
    layout->addWidget(tabs, 1);

    connect(cmdCancel, &QPushButton::clicked, this, &MatchWindow::cancel);
}

bool MatchWindow::isAnalysing() const {
    return analysing_;
}

void MatchWindow::start() {
    if (request_.kind == MatchAnalysisRequest::Kind::None) {
        showResult();
        return;
    }
    analysing_ = true;
    lblStatus->setText("Analysing the demo...");
    MatchAnalysisOptions options;
    options.cancel = &cancelRequested_;
    // Runs on the worker: the numbers travel to the window's thread.
    options.progress = [this](std::uint64_t read, std::uint64_t total) {
        QMetaObject::invokeMethod(
            this, [this, read, total] { showProgress(read, total); }, Qt::QueuedConnection);
    };
    worker_ = QThread::create([this, options] { result_ = RunMatchAnalysis(request_, options); });
    worker_->setParent(this);
    connect(worker_, &QThread::finished, this, &MatchWindow::showResult);
    worker_->start();
}

void MatchWindow::cancel() {
    if (!analysing_) {
        return;
    }
    cancelRequested_ = true;
    cmdCancel->setEnabled(false);
    lblStatus->setText("Cancelling...");
}

void MatchWindow::showProgress(std::uint64_t bytesRead, std::uint64_t bytesTotal) {
    if (bytesTotal == 0) {
        progress->setRange(0, 0); // busy, of unknown length
        return;
    }
    const double share =
        static_cast<double>(std::min(bytesRead, bytesTotal)) / static_cast<double>(bytesTotal);
    progress->setValue(static_cast<int>(share * ProgressSteps));
}

void MatchWindow::showResult() {
    analysing_ = false;
    cmdCancel->setEnabled(false);
    progress->setRange(0, ProgressSteps);
    progress->setValue(ProgressSteps);
    if (result_) {
        showFacts(*result_);
    } else {
        lblStatus->setText("No match analysis for this demo.");
        progress->hide();
    }
    emit analysisFinished();
}

void MatchWindow::showFacts(const MatchFacts& facts) {
    const QString unknown = "-";
    txtDuration->setText(facts.durationMs ? MatchTime(*facts.durationMs) : unknown);
    txtRecorder->setText(facts.recorder ? Utf8(facts.recorder->name) : unknown);
    if (facts.gameType && !facts.gameType->name.empty()) {
        txtGameType->setText(Utf8(facts.gameType->name));
    } else if (facts.gameType && facts.gameType->number) {
        txtGameType->setText(QString::number(*facts.gameType->number));
    } else {
        txtGameType->setText(unknown);
    }
    txtScore->setText(
        facts.teamScores
            ? QString("red %1 : blue %2").arg(facts.teamScores->red).arg(facts.teamScores->blue)
            : unknown);
    txtWinner->setText(facts.winner ? Utf8(*facts.winner) : unknown);
    lblStatus->setText(QString("Reading ended: %1 after %2 messages")
                           .arg(Utf8(facts.ended.reason))
                           .arg(facts.ended.messagesRead));

    // Rows go in unsorted; the user's sort applies once they are all there.
    tblPlayers->setSortingEnabled(false);
    tblPlayers->setRowCount(static_cast<int>(facts.players.size()));
    int row = 0;
    for (const MatchPlayer& player : facts.players) {
        SetRow(tblPlayers, row++,
               {Cell(Utf8(player.name)), Cell(Utf8(player.team)),
                Cell(player.score ? QString::number(*player.score) : QString(), player.score),
                Cell(player.clientNumber ? QString::number(*player.clientNumber) : QString(),
                     player.clientNumber),
                Cell(MatchTime(player.joinedMs), player.joinedMs),
                Cell(player.leftMs ? MatchTime(*player.leftMs) : QString(), player.leftMs)});
    }
    EnableSorting(tblPlayers, PlayerClientColumn);

    tblChat->setSortingEnabled(false);
    tblChat->setRowCount(static_cast<int>(facts.chat.size()));
    row = 0;
    for (const MatchChatLine& line : facts.chat) {
        SetRow(tblChat, row++,
               {Cell(MatchTime(line.timeMs), line.timeMs), Cell(line.team ? "yes" : ""),
                Cell(Utf8(line.sender)), Cell(Utf8(line.text))});
    }
    EnableSorting(tblChat, 0);

    tblFrags->setSortingEnabled(false);
    tblFrags->setRowCount(static_cast<int>(facts.frags.size()));
    row = 0;
    for (const MatchFrag& frag : facts.frags) {
        SetRow(tblFrags, row++,
               {Cell(MatchTime(frag.timeMs), frag.timeMs), Cell(Utf8(frag.killer)),
                Cell(Utf8(frag.victim)), Cell(Utf8(frag.means))});
    }
    EnableSorting(tblFrags, 0);
    tblPlayers->resizeColumnsToContents();
}

} // namespace fenlark::gui
