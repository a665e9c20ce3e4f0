#pragma once
// The rows of the library window: the current query's demos, one per row,
// sorted and filtered by the database.

#include "library/LibraryDatabase.h"

#include <QAbstractTableModel>

#include <vector>

namespace fenlark::gui {

class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        File,
        Game,
        DemoType,
        Protocol,
        Map,
        Server,
        Mod,
        Players,
        Recorder,
        Duration,
        Scores,
        Winner,
        Size,
        Date,
        ColumnCount
    };

    explicit LibraryTableModel(library::LibraryDatabase& database, QObject* parent = nullptr);

    // Runs the query again with these filters (the sort stays as it is).
    void setFilters(const std::string& search, const std::string& game,
                    std::optional<std::int64_t> dateFrom, std::optional<std::int64_t> dateTo);
    void reload();

    const library::DemoRecord& record(int row) const {
        return records_[static_cast<std::size_t>(row)];
    }
    const std::vector<library::DemoRecord>& records() const { return records_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    library::LibraryDatabase& database_;
    library::LibraryQuery query_;
    std::vector<library::DemoRecord> records_;
};

// The text of the file column: the path, or the archive's path and the member.
QString LocationText(const library::DemoLocation& location);

} // namespace fenlark::gui
