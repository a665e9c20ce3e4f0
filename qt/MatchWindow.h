#pragma once
// The Match window: what happened in the loaded demo (duration, recorder,
// game type, score and winner, the players, the chat and the frags). The
// analysis runs on a worker thread; the window shows its progress, stays
// responsive and can cancel it.

#include "app/MatchAnalysis.h"

#include <QWidget>

#include <atomic>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QThread;

namespace fenlark::gui {

class MatchWindow : public QWidget {
    Q_OBJECT
public:
    // A top-level window of `parent` (closing it deletes it).
    MatchWindow(MatchAnalysisRequest request, const QString& demoName, QWidget* parent = nullptr);
    // Cancels a running analysis and waits for the worker to stop.
    ~MatchWindow() override;
    MatchWindow(const MatchWindow&) = delete;
    MatchWindow& operator=(const MatchWindow&) = delete;

    const MatchAnalysisRequest& request() const { return request_; }
    bool isAnalysing() const;

    QLabel* lblStatus;
    QProgressBar* progress;
    QPushButton* cmdCancel;
    QLabel* txtDuration;
    QLabel* txtRecorder;
    QLabel* txtGameType;
    QLabel* txtScore;
    QLabel* txtWinner;
    QTabWidget* tabs;
    QTableWidget* tblPlayers;
    QTableWidget* tblChat;
    QTableWidget* tblFrags;

signals:
    // The analysis has ended (finished, cancelled or found nothing) and its
    // results are shown.
    void analysisFinished();

public slots:
    void cancel();

private:
    void createControls();
    void start();
    void showProgress(std::uint64_t bytesRead, std::uint64_t bytesTotal);
    void showResult();
    void showFacts(const MatchFacts& facts);

    MatchAnalysisRequest request_;
    std::atomic<bool> cancelRequested_{false};
    QThread* worker_ = nullptr;
    bool analysing_ = false;
    // Written by the worker, read once it has finished.
    std::optional<MatchFacts> result_;
};

} // namespace fenlark::gui
