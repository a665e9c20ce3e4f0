#include "qt/LibraryWindow.h"

#include "library/RowExport.h"
#include "qt/LibraryTableModel.h"
#include "qt/LocalDrop.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cmath>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#endif

namespace fenlark::gui {

namespace {

// Folders watched below each root: enough for a large demo collection,
// bounded so that a scan of a whole disk does not exhaust the system's watches.
constexpr int MaxWatchedFolders = 2000;

// Pauses that let the user finish typing, and a folder finish changing,
// before the work they start; the table's refresh while a scan stores rows.
constexpr int FilterDelayMs = 200;
constexpr int RescanDelayMs = 1500;
constexpr int ReloadDuringScanMs = 1000;

// Sizes in pixels.
constexpr int RowPadding = 6;
constexpr int ColumnWidth = 110;
constexpr int FileColumnWidth = 360;
constexpr int PlayersColumnWidth = 260;
constexpr QSize WindowSize(1200, 700);

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString TimeLeft(double seconds) {
    constexpr long long PerMinute = 60;
    const long long whole = std::llround(seconds);
    return QStringLiteral("%1:%2")
        .arg(whole / PerMinute)
        .arg(whole % PerMinute, 2, 10, QLatin1Char('0'));
}

// Lowers the calling thread's priority so that, on a busy machine, the
// window's thread gets a core before the scan does: the scan's workers use
// every core, and without this the window waits its turn behind them (gaps of
// 100-200 ms between event-loop runs were measured on two cores). On Linux
// the nice value belongs to the thread and the workers it starts inherit it.
void YieldToTheWindow() {
#if defined(Q_OS_LINUX)
    constexpr int NiceStep = 10;
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0) {
        ::setpriority(PRIO_PROCESS, 0, std::min(current + NiceStep, 19));
    }
#else
    QThread::currentThread()->setPriority(QThread::LowPriority);
#endif
}

// Cuts a cell's text in the middle when it does not fit.
class MiddleElidingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};

} // namespace

LibraryWindow::LibraryWindow(LibraryWindowSetup setup, QWidget* parent)
    : QWidget(parent), setup_(std::move(setup)), database_(setup_.databasePath),
      model_(new LibraryTableModel(setup_.databasePath, this)) {
    setWindowTitle(QStringLiteral("Fenlark - Library"));
    buildControls();
    refreshGames();

    filterDelay_.setSingleShot(true);
    filterDelay_.setInterval(FilterDelayMs);
    connect(&filterDelay_, &QTimer::timeout, this, &LibraryWindow::applyFilters);
    rescanDelay_.setSingleShot(true);
    rescanDelay_.setInterval(RescanDelayMs);
    connect(&rescanDelay_, &QTimer::timeout, this, [this] { scanFolders(watchedRoots_); });
    reloadDuringScan_.setInterval(ReloadDuringScanMs);
    connect(&reloadDuringScan_, &QTimer::timeout, this, [this] { model_->reload(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
            [this] { rescanDelay_.start(); });
}

LibraryWindow::~LibraryWindow() {
    cancel_ = true;
    if (scanThread_ != nullptr) {
        scanThread_->wait();
        delete scanThread_;
    }
}

void LibraryWindow::buildControls() {
    searchBox = new QLineEdit(this);
    searchBox->setPlaceholderText(QStringLiteral("Search players, map, server, mod, chat"));
    searchBox->setClearButtonEnabled(true);
    gameFilter = new QComboBox(this);
    dateFilter = new QCheckBox(QStringLiteral("Dates"), this);
    dateFrom = new QDateEdit(QDate::currentDate().addYears(-1), this);
    dateTo = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit* edit : {dateFrom, dateTo}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setEnabled(false);
    }

    table = new QTableView(this);
    table->setModel(model_);
    table->setSortingEnabled(true);
    table->sortByColumn(LibraryTableModel::File, Qt::AscendingOrder);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->verticalHeader()->hide();
    // One line per cell (wrapped text would show only its first line); a
    // path is cut in the middle, so that the file's own name stays in view.
    table->setWordWrap(false);
    table->setItemDelegateForColumn(LibraryTableModel::File, new MiddleElidingDelegate(table));
    // Rows of one fixed height: the view never measures 100,000 rows.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + RowPadding);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    table->setColumnWidth(LibraryTableModel::File, FileColumnWidth);
    table->setColumnWidth(LibraryTableModel::Players, PlayersColumnWidth);

    progressBar = new QProgressBar(this);
    progressBar->setVisible(false);
    statusText = new QLabel(this);
    addFolderButton = new QPushButton(QStringLiteral("Add folder..."), this);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setEnabled(false);
    exportCsvButton = new QPushButton(QStringLiteral("Export CSV..."), this);
    exportJsonButton = new QPushButton(QStringLiteral("Export JSON Lines..."), this);

    auto* filters = new QHBoxLayout;
    filters->addWidget(searchBox, 3);
    filters->addWidget(gameFilter, 1);
    filters->addWidget(dateFilter);
    filters->addWidget(dateFrom);
    filters->addWidget(new QLabel(QStringLiteral("to"), this));
    filters->addWidget(dateTo);
    auto* actions = new QHBoxLayout;
    actions->addWidget(addFolderButton);
    actions->addWidget(progressBar, 1);
    actions->addWidget(cancelButton);
    actions->addWidget(statusText, 1);
    actions->addWidget(exportCsvButton);
    actions->addWidget(exportJsonButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(table, 1);
    layout->addLayout(actions);
    resize(WindowSize);
    setAcceptDrops(true);

    connect(searchBox, &QLineEdit::textChanged, this, [this] { filterDelay_.start(); });
    connect(gameFilter, &QComboBox::currentIndexChanged, this, &LibraryWindow::applyFilters);
    connect(dateFilter, &QCheckBox::toggled, this, [this](bool on) {
        dateFrom->setEnabled(on);
        dateTo->setEnabled(on);
        applyFilters();
    });
    connect(dateFrom, &QDateEdit::dateChanged, this, &LibraryWindow::applyFilters);
    connect(dateTo, &QDateEdit::dateChanged, this, &LibraryWindow::applyFilters);
    connect(table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openRow(index.row()); });
    connect(table, &QTableView::customContextMenuRequested, this, &LibraryWindow::showContextMenu);
    connect(addFolderButton, &QPushButton::clicked, this, &LibraryWindow::chooseFolder);
    connect(cancelButton, &QPushButton::clicked, this, &LibraryWindow::cancelScan);
    connect(exportCsvButton, &QPushButton::clicked, this,
            [this] { chooseExport(ExportFormat::Csv); });
    connect(exportJsonButton, &QPushButton::clicked, this,
            [this] { chooseExport(ExportFormat::JsonLines); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        searchBox->setFocus();
        searchBox->selectAll();
    });
}

void LibraryWindow::applyFilters() {
    const std::string game =
        gameFilter->currentIndex() > 0 ? gameFilter->currentText().toStdString() : std::string();
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    if (dateFilter->isChecked()) {
        from = dateFrom->date().startOfDay().toSecsSinceEpoch();
        to = dateTo->date().endOfDay().toSecsSinceEpoch();
    }
    model_->setFilters(searchBox->text().toStdString(), game, from, to);
}

void LibraryWindow::refreshGames() {
    const QString current = gameFilter->currentIndex() > 0 ? gameFilter->currentText() : QString();
    std::vector<std::string> games;
    try {
        games = database_.games();
    } catch (const library::LibraryError&) {
    }
    const QSignalBlocker blocker(gameFilter);
    gameFilter->clear();
    gameFilter->addItem(QStringLiteral("All games"));
    for (const std::string& game : games) {
        gameFilter->addItem(Text(game));
    }
    const int index = current.isEmpty() ? 0 : gameFilter->findText(current);
    gameFilter->setCurrentIndex(index < 0 ? 0 : index);
}

void LibraryWindow::scanFolders(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QString root = QFileInfo(folder).absoluteFilePath();
        if (!watchedRoots_.contains(root)) {
            watchedRoots_ << root;
            watch(root);
        }
        if (!pendingFolders_.contains(root)) {
            pendingFolders_ << root;
        }
    }
    if (!scanning()) {
        startNextScan();
    }
}

void LibraryWindow::watch(const QString& root) {
    QStringList folders{root};
    QDirIterator below(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (below.hasNext() && folders.size() < MaxWatchedFolders) {
        folders << below.next();
    }
    watcher_.addPaths(folders);
}

void LibraryWindow::startNextScan() {
    if (pendingFolders_.isEmpty()) {
        return;
    }
    std::vector<std::string> folders;
    for (const QString& folder : pendingFolders_) {
        folders.push_back(folder.toStdString());
    }
    pendingFolders_.clear();
    cancel_ = false;
    lastError_.clear();

    progressBar->setRange(0, 0);
    progressBar->setVisible(true);
    cancelButton->setEnabled(true);
    statusText->setText(QStringLiteral("Looking for demos..."));
    reloadDuringScan_.start();

    // The scan writes through a connection of its own; the table keeps
    // reading through the window's.
    scanThread_ = QThread::create([this, folders] {
        YieldToTheWindow();
        try {
            library::LibraryDatabase database(setup_.databasePath);
            library::LibraryScanner scanner(database, setup_.describers, setup_.isDemoExtension);
            library::ScanOptions options;
            options.folders = folders;
            lastSummary_ = scanner.scan(
                options,
                [this](const library::ScanProgress& progress) {
                    QMetaObject::invokeMethod(
                        this, [this, progress] { showProgress(progress); }, Qt::QueuedConnection);
                },
                cancel_);
        } catch (const std::exception& error) {
            lastSummary_ = {};
            lastError_ = QString::fromUtf8(error.what());
        }
    });
    connect(scanThread_, &QThread::finished, this, &LibraryWindow::finishScan);
    scanThread_->start();
}

void LibraryWindow::showProgress(const library::ScanProgress& progress) const {
    if (!scanning()) {
        return;
    }
    progressBar->setRange(0, static_cast<int>(std::max<std::size_t>(progress.filesTotal, 1)));
    progressBar->setValue(static_cast<int>(progress.filesDone));
    statusText->setText(QStringLiteral("%1 of %2 files, %3 files/s, %4 left")
                            .arg(progress.filesDone)
                            .arg(progress.filesTotal)
                            .arg(progress.filesPerSecond, 0, 'f', 0)
                            .arg(TimeLeft(progress.secondsLeft)));
}

void LibraryWindow::finishScan() {
    scanThread_->deleteLater();
    scanThread_ = nullptr;
    reloadDuringScan_.stop();
    progressBar->setVisible(false);
    cancelButton->setEnabled(false);
    if (!lastError_.isEmpty()) {
        statusText->setText(lastError_);
    } else {
        statusText->setText(
            QStringLiteral("%1%2 demos stored, %3 unchanged, %4 gone, %5 skipped")
                .arg(lastSummary_.cancelled ? QStringLiteral("Cancelled: ") : QString())
                .arg(lastSummary_.demosStored)
                .arg(lastSummary_.filesUnchanged)
                .arg(lastSummary_.filesGone)
                .arg(lastSummary_.skips.size()));
    }
    model_->reload();
    refreshGames();
    if (!pendingFolders_.isEmpty() && !cancel_) {
        startNextScan();
    } else {
        emit scanFinished();
    }
}

void LibraryWindow::cancelScan() {
    cancel_ = true;
    pendingFolders_.clear();
}

bool LibraryWindow::exportRows(const QString& path, ExportFormat format) const {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    std::string out;
    if (format == ExportFormat::Csv) {
        out += library::CsvHeader() + "\r\n";
    }
    for (const library::DemoRecord& record : model_->records()) {
        out += format == ExportFormat::Csv ? library::CsvRow(record) + "\r\n"
                                           : library::JsonLine(record) + "\n";
    }
    return file.write(out.data(), static_cast<qint64>(out.size())) ==
               static_cast<qint64>(out.size()) &&
           file.flush();
}

void LibraryWindow::openRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const library::DemoLocation& location = model_->record(row).location;
    emit openRequested(Text(location.path), Text(location.member));
}

void LibraryWindow::showContextMenu(const QPoint& position) {
    const QModelIndex index = table->indexAt(position);
    if (!index.isValid()) {
        return;
    }
    const int row = index.row();
    const library::DemoLocation location = model_->record(row).location;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Open"), this, [this, row] { openRow(row); });
    menu.addAction(QStringLiteral("Reveal in file manager"), this, [location] {
        QDesktopServices::openUrl(
            QUrl::fromLocalFile(QFileInfo(Text(location.path)).absolutePath()));
    });
    menu.addAction(QStringLiteral("Copy path"), this,
                   [location] { QApplication::clipboard()->setText(LocationText(location)); });
    menu.exec(table->viewport()->mapToGlobal(position));
}

void LibraryWindow::dragEnterEvent(QDragEnterEvent* event) {
    AcceptLocalDrop(event, DropCount::Any);
}

void LibraryWindow::dragMoveEvent(QDragMoveEvent* event) {
    AcceptLocalDrop(event, DropCount::Any);
}

void LibraryWindow::dropEvent(QDropEvent* event) {
    if (!AcceptLocalDrop(event, DropCount::Any)) {
        return;
    }
    QStringList folders;
    QString file;
    for (const QUrl& url : event->mimeData()->urls()) {
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isDir()) {
            folders << path;
        } else if (file.isEmpty()) {
            file = path; // the main window shows one demo: the first file
        }
    }
    if (!folders.isEmpty()) {
        scanFolders(folders);
    }
    if (!file.isEmpty()) {
        emit openRequested(file, QString());
    }
}

void LibraryWindow::chooseFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Add folder"));
    if (!folder.isEmpty()) {
        scanFolders({folder});
    }
}

void LibraryWindow::chooseExport(ExportFormat format) {
    const bool csv = format == ExportFormat::Csv;
    const QString path = QFileDialog::getSaveFileName(
        this, csv ? QStringLiteral("Export CSV") : QStringLiteral("Export JSON Lines"),
        csv ? QStringLiteral("library.csv") : QStringLiteral("library.jsonl"),
        csv ? QStringLiteral("CSV (*.csv)") : QStringLiteral("JSON Lines (*.jsonl)"));
    if (!path.isEmpty() && !exportRows(path, format)) {
        statusText->setText(QStringLiteral("Cannot write %1").arg(path));
    }
}

} // namespace fenlark::gui
