#pragma once
// The library window: every demo under the chosen folders, archives
// included, in a sortable table with a search box and game and date filters.
// Scans run on a thread of their own (the scanner's workers beside it), so
// the window keeps answering; watched folders are scanned again when they
// change.

#include "library/DemoDescriber.h"
#include "library/LibraryDatabase.h"
#include "library/LibraryScanner.h"

#include <QFileSystemWatcher>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QCheckBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QThread;

namespace fenlark::gui {

class LibraryTableModel;

struct LibraryWindowSetup {
    std::string databasePath;
    library::DescriberFactory describers;
    std::function<bool(const std::string& extension)> isDemoExtension;
};

class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    enum class ExportFormat { Csv, JsonLines };

    // Throws library::LibraryError when the database cannot be used.
    explicit LibraryWindow(LibraryWindowSetup setup, QWidget* parent = nullptr);
    ~LibraryWindow() override;

    // Adds the folders to the watched ones and scans them (after the scan
    // under way, if any).
    void scanFolders(const QStringList& folders);
    void cancelScan();
    bool scanning() const { return scanThread_ != nullptr; }

    // Writes the rows as the table shows them now. False when the file
    // cannot be written.
    bool exportRows(const QString& path, ExportFormat format) const;

    LibraryTableModel* model() const { return model_; }
    QStringList watchedFolders() const { return watchedRoots_; }

    QLineEdit* searchBox;
    QComboBox* gameFilter;
    QCheckBox* dateFilter;
    QDateEdit* dateFrom;
    QDateEdit* dateTo;
    QTableView* table;
    QProgressBar* progressBar;
    QLabel* statusText;
    QPushButton* addFolderButton;
    QPushButton* cancelButton;
    QPushButton* exportCsvButton;
    QPushButton* exportJsonButton;

protected:
    // Folders dropped on the window are watched and scanned; a dropped file
    // is opened in the main window, as a double-click on its row would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

signals:
    // A double-click, "Open" or a dropped file: the demo to show in the main window.
    void openRequested(const QString& path, const QString& member);
    void scanFinished();

private:
    void buildControls();
    void applyFilters();
    void refreshGames();
    void startNextScan();
    void showProgress(const library::ScanProgress& progress) const;
    void finishScan();
    void watch(const QString& root);
    void showContextMenu(const QPoint& position);
    void openRow(int row);
    void chooseFolder();
    void chooseExport(ExportFormat format);

    LibraryWindowSetup setup_;
    library::LibraryDatabase database_;
    LibraryTableModel* model_;
    QTimer filterDelay_;
    QTimer rescanDelay_;
    QTimer reloadDuringScan_;
    QFileSystemWatcher watcher_;
    QStringList watchedRoots_;
    QStringList pendingFolders_;
    QThread* scanThread_ = nullptr;
    std::atomic<bool> cancel_{false};
    library::ScanSummary lastSummary_;
    QString lastError_;
};

} // namespace fenlark::gui
