#include "ui/prompts.h"

#include "core/values.h"
#include "ui/windowsettings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

#include <type_traits>

namespace {

// The engine may ask from the thread a run works on, but a dialog can only
// be shown on the window's thread: the question is handed over to it and
// the asking thread waits for the answer.
template <typename Ask> auto onWindowThread(Ask ask) -> decltype(ask())
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return ask();
    if constexpr (std::is_void_v<decltype(ask())>) {
        QMetaObject::invokeMethod(app, ask, Qt::BlockingQueuedConnection);
    } else {
        decltype(ask()) answer {};
        QMetaObject::invokeMethod(
            app, [&answer, &ask] { answer = ask(); }, Qt::BlockingQueuedConnection);
        return answer;
    }
}

} // namespace

bool MessageBoxPrompt::confirm(const QString& question)
{
    return onWindowThread([this, &question] {
        return QMessageBox::question(m_parent, QStringLiteral("Varnix"), question,
                   QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel)
            == QMessageBox::Ok;
    });
}

InsufficientMemoryDialog::InsufficientMemoryDialog(
    double currentGB, double maximumGB, bool unsavedChanges, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Insufficient Memory"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("You have exceed the maximum process memory set in 'Preferences'.\n\n"
                       "Maximum memory usage=%1 GB. Current memory usage=%2 GB.\n\n"
                       "Would you like to?:")
            .arg(formatNumber(maximumGB, false, 1, true), formatNumber(currentGB, false, 1, true)),
        this);
    layout->addWidget(text);

    auto* row = new QHBoxLayout;
    m_increase = new QRadioButton(QStringLiteral("Increase maximum memory usage to:"), this);
    m_increase->setToolTip(QStringLiteral(
        "Increase the maximum memory to this amount in 'Preferences' and try to continue."));
    m_increase->setChecked(true);
    m_maximum = new QDoubleSpinBox(this);
    m_maximum->setSuffix(QStringLiteral(" GB"));
    m_maximum->setDecimals(1);
    m_maximum->setSingleStep(0.5);
    m_maximum->setRange(MemoryLimit::minimumRaisedMaximum(maximumGB), 1000.0);
    m_maximum->setValue(MemoryLimit::minimumRaisedMaximum(maximumGB));
    row->addWidget(m_increase);
    row->addWidget(m_maximum);
    row->addStretch(1);
    layout->addLayout(row);

    m_exit = new QRadioButton(QStringLiteral("%1 (%2)").arg(QStringLiteral("Exit now"),
                                  unsavedChanges ? QStringLiteral("changes not saved")
                                                 : QStringLiteral("no changes to save")),
        this);
    m_exit->setToolTip(
        QStringLiteral("Exit Varnix immediately. Any unsaved changes will be lost."));
    layout->addWidget(m_exit);
    connect(m_increase, &QRadioButton::toggled, m_maximum, &QDoubleSpinBox::setEnabled);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

double InsufficientMemoryDialog::chosenMaximum() const
{
    return m_increase->isChecked() ? m_maximum->value() : 0.0;
}

double MessageBoxPrompt::raiseMemoryMaximum(double currentGB, double maximumGB)
{
    return onWindowThread([=] { return askMemoryMaximum(currentGB, maximumGB); });
}

double MessageBoxPrompt::askMemoryMaximum(double currentGB, double maximumGB)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    InsufficientMemoryDialog dialog(currentGB, maximumGB, m_unsaved && m_unsaved(), m_parent);
    // Only the choice counts, not how the dialog was closed.
    dialog.exec();
    QApplication::restoreOverrideCursor();
    return dialog.chosenMaximum();
}

void MessageBoxPrompt::runFinished()
{
    onWindowThread([] {
        if (WindowSettings::instance().beepAfterProcessing())
            QApplication::beep();
    });
}
