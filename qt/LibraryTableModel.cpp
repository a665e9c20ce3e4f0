#include "qt/LibraryTableModel.h"

#include <QBrush>
#include <QDateTime>
#include <QGuiApplication>
#include <QPalette>
#include <QThread>

namespace fenlark::gui {

namespace {

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString DurationText(std::int64_t milliseconds) {
    constexpr std::int64_t PerSecond = 1000;
    constexpr std::int64_t PerMinute = 60;
    const std::int64_t seconds = milliseconds / PerSecond;
    return QStringLiteral("%1:%2")
        .arg(seconds / PerMinute)
        .arg(seconds % PerMinute, 2, 10, QLatin1Char('0'));
}

// The view shows the library's columns in the order the library sorts by,
// so a view column is its sort column.
static_assert(LibraryTableModel::Game == static_cast<int>(library::SortColumn::Game) &&
              LibraryTableModel::Players == static_cast<int>(library::SortColumn::Players) &&
              LibraryTableModel::Date == static_cast<int>(library::SortColumn::Date));

library::SortColumn SortColumnOf(int column) {
    return column > 0 && column < LibraryTableModel::ColumnCount
               ? static_cast<library::SortColumn>(column)
               : library::SortColumn::File;
}

} // namespace

QString LocationText(const library::DemoLocation& location) {
    if (location.member.empty()) {
        return Text(location.path);
    }
    return Text(location.path) + QStringLiteral(" \u203a ") + Text(location.member);
}

LibraryTableModel::LibraryTableModel(std::string databasePath, QObject* parent)
    : QAbstractTableModel(parent), databasePath_(std::move(databasePath)) {
    reload();
}

LibraryTableModel::~LibraryTableModel() {
    if (queryThread_ != nullptr) {
        queryThread_->wait();
        delete queryThread_;
    }
}

void LibraryTableModel::setFilters(const std::string& search, const std::string& game,
                                   std::optional<std::int64_t> dateFrom,
                                   std::optional<std::int64_t> dateTo) {
    query_.search = search;
    query_.game = game;
    query_.dateFrom = dateFrom;
    query_.dateTo = dateTo;
    reload();
}

void LibraryTableModel::reload() {
    // One query at a time; a reload asked for meanwhile runs when it ends,
    // with the filters and sort as they are then.
    if (queryThread_ != nullptr) {
        reloadAgain_ = true;
        return;
    }
    startQuery();
}

void LibraryTableModel::startQuery() {
    reloadAgain_ = false;
    queryThread_ = QThread::create([this, query = query_] {
        result_.clear();
        try {
            library::LibraryDatabase database(databasePath_);
            result_ = database.query(query);
        } catch (const library::LibraryError&) {
            // A database another program holds locked reads as empty until the next reload.
        }
    });
    connect(queryThread_, &QThread::finished, this, &LibraryTableModel::takeResult);
    queryThread_->start();
}

void LibraryTableModel::takeResult() {
    queryThread_->deleteLater();
    queryThread_ = nullptr;
    if (reloadAgain_) {
        startQuery(); // this result is already out of date
        return;
    }
    beginResetModel();
    records_ = std::move(result_);
    result_.clear();
    endResetModel();
    emit reloaded();
}

int LibraryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int LibraryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LibraryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const library::DemoRecord& row = record(index.row());
    const library::DemoInfo& info = row.info;
    if (role == Qt::ForegroundRole && row.missing) {
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    if (role == Qt::ToolTipRole) {
        QString tip = LocationText(row.location);
        if (row.missing) {
            tip += QStringLiteral("\n(missing: the file went away)");
        }
        if (!info.message.empty()) {
            tip += QStringLiteral("\n") + Text(info.message);
        }
        return tip;
    }
    if (role == Qt::TextAlignmentRole &&
        (index.column() == Size || index.column() == Duration || index.column() == Protocol)) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case File:
        return LocationText(row.location);
    case Game:
        return Text(info.game);
    case DemoType:
        return Text(info.demoType);
    case Protocol:
        return Text(info.protocol);
    case Map:
        return Text(info.map);
    case Server:
        return Text(info.server);
    case Mod:
        return Text(info.mod);
    case Players: {
        QStringList names;
        for (const std::string& name : info.players) {
            names << Text(name);
        }
        return names.join(QStringLiteral(", "));
    }
    case Recorder:
        return Text(info.recorder);
    case Duration:
        return info.durationMs ? DurationText(*info.durationMs) : QString();
    case Scores:
        return info.scoreRed && info.scoreBlue
                   ? QStringLiteral("%1 : %2").arg(*info.scoreRed).arg(*info.scoreBlue)
                   : QString();
    case Winner:
        return Text(info.winner);
    case Size:
        return QLocale().toString(static_cast<qulonglong>(row.size));
    case Date:
        return QDateTime::fromSecsSinceEpoch(row.date).toString(
                   QStringLiteral("yyyy-MM-dd HH:mm")) +
               (row.dateSource == library::DateSource::Demo ? QStringLiteral(" (demo)")
                                                            : QStringLiteral(" (file)"));
    default:
        return {};
    }
}

QVariant LibraryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const names[ColumnCount] = {
        "File",    "Game",     "Demo type", "Protocol", "Map",    "Server", "Mod",
        "Players", "Recorder", "Duration",  "Scores",   "Winner", "Size",   "Date"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

void LibraryTableModel::sort(int column, Qt::SortOrder order) {
    query_.sort = SortColumnOf(column);
    query_.descending = order == Qt::DescendingOrder;
    reload();
}

} // namespace fenlark::gui
