#pragma once

#include "core/memorylimit.h"
#include "graph/userprompt.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class QDoubleSpinBox;
class QRadioButton;

// The engine's Ok/Cancel questions as message boxes over a window.
class MessageBoxPrompt : public UserPrompt
{
public:
    explicit MessageBoxPrompt(QWidget* parent) : m_parent(parent) { }
    bool confirm(const QString& question) override;

private:
    QPointer<QWidget> m_parent;
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

// Asks through InsufficientMemoryDialog over the main window.
class DialogMemoryPrompt : public MemoryPrompt
{
public:
    explicit DialogMemoryPrompt(QWidget* parent) : m_parent(parent) { }
    double askToContinue(double currentGB, double maximumGB) override;
    void setUnsavedChanges(bool unsaved) { m_unsaved = unsaved; }

private:
    QPointer<QWidget> m_parent;
    bool m_unsaved = false;
};
