#include "ScriptedDialogs.h"

#include <QtGlobal>

namespace kestrum::ui {

ScriptedDialogs::ScriptedDialogs() : previous_(setDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogs(previous_);
}

void ScriptedDialogs::answerYes(int times)
{
    answers_.insert(answers_.end(), std::size_t(times), Answer::Yes);
}

void ScriptedDialogs::answerNo(int times)
{
    answers_.insert(answers_.end(), std::size_t(times), Answer::No);
}

void ScriptedDialogs::answerCancel(int times)
{
    answers_.insert(answers_.end(), std::size_t(times), Answer::Cancel);
}

QStringList ScriptedDialogs::texts(Kind kind) const
{
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == kind)
            out << s.text;
    return out;
}

QString ScriptedDialogs::last() const
{
    return shown_.isEmpty() ? QString() : shown_.last().text;
}

void ScriptedDialogs::message(const QString& text)
{
    shown_.append({Kind::Message, text});
}

bool ScriptedDialogs::confirm(const QString& text)
{
    shown_.append({Kind::Confirm, text});
    if (answers_.empty())
        qFatal("ScriptedDialogs: no scripted answer for the confirmation \"%s\"",
               qPrintable(text));
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer == Answer::Yes;
}

Dialogs::Answer ScriptedDialogs::ask(const QString& text)
{
    shown_.append({Kind::Confirm, text});
    if (answers_.empty())
        qFatal("ScriptedDialogs: no scripted answer for the question \"%s\"", qPrintable(text));
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedDialogs::error(const QString& text)
{
    shown_.append({Kind::Error, text});
}

}  // namespace kestrum::ui
