#pragma once
// Dialogs for tests: answers come from a queue, every box shown is recorded, nothing blocks.
#include "Dialogs.h"

#include <QList>
#include <QString>
#include <deque>

namespace kestrum::ui {

/// \brief Installs itself as the current dialogs while it lives.
/// A confirmation with no scripted answer aborts the test program with the question's text:
/// a test that forgot an answer must not pass by taking a default.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Confirm, Error };  // Confirm covers ask() too
    struct Shown {
        Kind kind;
        QString text;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    /// Queues the answers of the next confirmations, in order.
    void answerYes(int times = 1);
    void answerNo(int times = 1);
    /// Cancel for a Yes/No/Cancel question; a Yes/No confirmation takes it as No.
    void answerCancel(int times = 1);
    int pendingAnswers() const { return int(answers_.size()); }

    const QList<Shown>& shown() const { return shown_; }
    /// Texts of the boxes of one kind, in the order shown.
    QStringList texts(Kind kind) const;
    QStringList messages() const { return texts(Kind::Message); }
    QStringList confirmations() const { return texts(Kind::Confirm); }
    QStringList errors() const { return texts(Kind::Error); }
    /// The last text shown of any kind ("" when none).
    QString last() const;
    void clear() { shown_.clear(); }

    void message(const QString& text) override;
    bool confirm(const QString& text) override;
    Answer ask(const QString& text) override;
    void error(const QString& text) override;

private:
    std::deque<Answer> answers_;
    QList<Shown> shown_;
    Dialogs* previous_ = nullptr;
};

}  // namespace kestrum::ui
