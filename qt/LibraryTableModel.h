#pragma once
// The rows of the library window: the current query's demos, one per row,
// sorted and filtered by the database. Queries run on a thread of their own
// with their own connection (a large library takes longer to read than a
// window may stall); the rows are swapped in when they arrive.

#include "library/LibraryDatabase.h"

#include <QAbstractTableModel>

#include <string>
#include <vector>

class QThread;

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

    explicit LibraryTableModel(std::string databasePath, QObject* parent = nullptr);
    ~LibraryTableModel() override;

    // Runs the query again with these filters (the sort stays as it is).
    void setFilters(const std::string& search, const std::string& game,
                    std::optional<std::int64_t> dateFrom, std::optional<std::int64_t> dateTo);
    // Reads the rows again; `reloaded` tells when they are in.
    void reload();
    bool loading() const { return queryThread_ != nullptr; }

    const library::DemoRecord& record(int row) const {
        return records_[static_cast<std::size_t>(row)];
    }
    const std::vector<library::DemoRecord>& records() const { return records_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    void reloaded();

private:
    void startQuery();
    void takeResult();

    std::string databasePath_;
    library::LibraryQuery query_;
    std::vector<library::DemoRecord> records_;
    QThread* queryThread_ = nullptr;
    bool reloadAgain_ = false;
    std::vector<library::DemoRecord> result_; // written by the query thread
};

// The text of the file column: the path, or the archive's path and the member.
QString LocationText(const library::DemoLocation& location);

} // namespace fenlark::gui
