#pragma once

#include <QString>

// Questions and signals the engine must pass to the user. The engine never
// opens windows, so the windows install an implementation that shows message
// boxes and dialogs; without one the default answers without asking.
class UserPrompt
{
public:
    virtual ~UserPrompt() = default;
    // An Ok/Cancel question; true for Ok.
    virtual bool confirm(const QString& question) = 0;
    // The process uses more memory than its maximum: the new maximum in GB
    // to go on with, or a value <= 0 to stop processing. The windows ask
    // with the "Insufficient Memory" dialog; without windows the answer is
    // to stop.
    virtual double raiseMemoryMaximum(double currentGB, double maximumGB)
    {
        Q_UNUSED(currentGB)
        Q_UNUSED(maximumGB)
        return 0.0;
    }
    // A run the user started has ended (the windows may beep).
    virtual void runFinished() { }
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
