#pragma once
// What every report window shares: the period filter (From and To boxes with their pickers, both
// today at show), choice boxes that read "All" at show and list "All" plus distinct values on
// drop-down, Close, and a Print button whose handler builds the statement and shows the report.
#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

namespace kestrum {
class Query;
}

namespace kestrum::reports {

/// \brief A date range; both days count whole (a time of day on the to day is inside).
struct Period {
    QDate from;
    QDate to;
};

/// \brief "<column> >= ? And <column> < ?" for `period`; bind() adds its two values.
QString periodCondition(const QString& column);
void bindPeriod(Query* q, const Period& period);

/// \brief Adds "<line> ?" with the value bound, when there is a value (a choice not on "All").
void addChosen(Query* q, const QString& line, const std::optional<QString>& value);

/// \brief A Like pattern (with Escape '\\') matching `text` anywhere, its wild cards and
/// backslashes taken as themselves.
QString containsPattern(const QString& text);

class ReportWindow : public QWidget {
    Q_OBJECT
public:
    ~ReportWindow() override;

    /// The Print button: runs print() guarded, so bad input and database errors show their box.
    void Print();

    /// \brief The From and To boxes read as dates; throws InputError naming the box.
    Period period() const;
    /// Text of an edit box or combo of this window ("" when none).
    QString controlText(const QString& name) const;
    /// \brief The text of a choice box, or nullopt while it reads "All".
    std::optional<QString> choice(const QString& combo) const;

protected:
    explicit ReportWindow(QWidget* parent);

    /// Wires the pickers, Close (Button1) and the print button; call once after setupUi.
    void setupReportWindow(const QString& printButton = QStringLiteral("Button2"));
    /// \brief `combo` reads "All" at show; its drop-down lists "All" and then every value of
    /// "Select distinct <column> From <table>".
    void addChoice(const QString& combo, const QString& table, const QString& column);
    /// `combo` has a fixed list and reads `initial` at show.
    void setItems(const QString& combo, const QStringList& items, const QString& initial);
    /// \brief `combo` reads "All" at show and lists only "All": the rows the window reports carry
    /// no value the box could restrict, so whatever it reads, the report is the same.
    void addUnrestrictingChoice(const QString& combo);

    /// Builds the statement from the filters and shows the report.
    virtual void print() = 0;

    void showEvent(QShowEvent* event) override;

private:
    struct Choice {
        QString table;
        QString column;
    };
    void fillChoice(const QString& combo, const Choice& c);

    QHash<QString, Choice> choices_;
    QHash<QString, QString> initial_;
    QHash<QString, QString> captions_;
    bool shown_ = false;
};

}  // namespace kestrum::reports
