#pragma once

#include <QString>

// Questions the engine must ask the user. The engine never opens windows, so
// the windows install an implementation that shows a message box; without
// one the default answers without asking.
class UserPrompt
{
public:
    virtual ~UserPrompt() = default;
    // An Ok/Cancel question; true for Ok.
    virtual bool confirm(const QString& question) = 0;
};

// Answers every question the same way, with no one to ask (command line,
// batch runs, tests).
class NonInteractivePrompt : public UserPrompt
{
public:
    explicit NonInteractivePrompt(bool answer = true) : m_answer(answer) { }
    bool confirm(const QString& question) override;
    // The last question asked, for the log and for tests.
    const QString& lastQuestion() const { return m_lastQuestion; }

private:
    bool m_answer;
    QString m_lastQuestion;
};
