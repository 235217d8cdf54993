#pragma once

#include "core/memorylimit.h"
#include "core/userprompt.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <functional>

class QDoubleSpinBox;
class QRadioButton;

// The engine's questions over a window: Ok/Cancel as message boxes, the
// memory limit through InsufficientMemoryDialog, and the beep after a run
// when the preferences ask for it. A question asked from another thread is
// shown on the window's thread while the asking thread waits.
class MessageBoxPrompt : public UserPrompt
{
public:
    explicit MessageBoxPrompt(QWidget* parent) : m_parent(parent) { }
    bool confirm(const QString& question) override;
    double raiseMemoryMaximum(double currentGB, double maximumGB) override;
    void runFinished() override;
    // Whether the document has unsaved changes, for the dialog's "Exit now".
    void setUnsavedCheck(std::function<bool()> check) { m_unsaved = std::move(check); }

private:
    double askMemoryMaximum(double currentGB, double maximumGB);

    QPointer<QWidget> m_parent;
    std::function<bool()> m_unsaved;
};

// "Insufficient Memory": raise the maximum and go on, or exit now.
class InsufficientMemoryDialog : public QDialog
{
    Q_OBJECT

public:
    InsufficientMemoryDialog(
        double currentGB, double maximumGB, bool unsavedChanges, QWidget* parent = nullptr);

    // The new maximum, or 0 when the user chose to exit.
    double chosenMaximum() const;
    QRadioButton* increaseButton() const { return m_increase; }
    QRadioButton* exitButton() const { return m_exit; }
    QDoubleSpinBox* maximumField() const { return m_maximum; }

private:
    QRadioButton* m_increase = nullptr;
    QRadioButton* m_exit = nullptr;
    QDoubleSpinBox* m_maximum = nullptr;
};
