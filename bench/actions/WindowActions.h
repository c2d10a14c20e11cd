#pragma once
// Drives the program's windows offscreen the way a user does (open, click a row, click a title,
// type into the search box, New, Save, print) and times each action. Every action is also
// checked against the database, so a run that is fast because a window showed nothing fails.
#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kestrum::bench {

struct ActionOptions {
    int runs = 10;
    /// Also time the actions that write: Save in every master window, saving an invoice line,
    /// the finished-invoice list (it refills its work table).
    bool save = false;
    /// The year the reports run over (Jan 1 to Dec 31).
    int year = QDate::currentDate().year() - 1;
    /// When set, the reports run from Jan 1 of this year instead (the long lists of many years).
    int fromYear = 0;
    /// Where the PDF of the invoice printout goes (a temporary file when empty).
    QString pdfPath;
    /// Where the CSV of the full invoice list goes (a temporary file when empty): kept to compare.
    QString csvPath;
    /// Window classes to drive (all when empty); TInvoice stands for the invoice actions.
    QStringList only;
    std::function<void(const QString&)> progress;  // optional
    /// Actions whose name matches this pattern list each statement they run and its time (stderr).
    QString traceActions;
};

struct ActionResults {
    /// Milliseconds per action, one sample per run.
    std::map<std::string, std::vector<double>> samples;
    /// Error boxes shown while driving the windows.
    QStringList errors;
    /// What a window showed that disagrees with the database ("TPart select row: ...").
    QStringList faults;
    /// How far each action raised the run's peak memory (RSS, MB; the largest rise of its runs):
    /// where the peak comes from.
    std::map<std::string, double> peakRiseMb;
};

/// Peak memory (RSS) of this process so far, MB.
double peakRssMb();

/// Master-record windows, in the order they are driven.
const std::vector<QString>& masterWindows();
/// Report windows (menu order), run over a year each.
const std::vector<QString>& reportWindows();

/// \brief Runs every action `options.runs` times on the data module's database (DM must be set;
/// the windows must be registered: records, invoicing, reports and receivables).
ActionResults runWindowActions(const ActionOptions& options);

double percentile(std::vector<double> samples, double p);

/// Goals every action is held to (milliseconds).
constexpr double MedianGoalMs = 50;
constexpr double P95GoalMs = 150;
/// A year's report: its first page shown, and every page laid out.
constexpr double FirstPageGoalMs = 300;
constexpr double WholeReportGoalMs = 1000;
/// Median and p95 goal of an action.
std::pair<double, double> goalsOf(const std::string& action);

/// The table of figures: action, runs, median, p95, and "miss" where a goal is missed.
QString figuresTable(const ActionResults& results);

}  // namespace kestrum::bench
