#include "ui/encodingguessdialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

EncodingGuessDialog::EncodingGuessDialog(
    const QString& file, const EncodingGuess& guess, QWidget* parent)
    : QDialog(parent), m_guess(guess)
{
    setWindowTitle(tr("Guess Encoding"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("The most likely encodings of the first 64 KB of '%1':")
                                     .arg(QDir::toNativeSeparators(file)),
        this));
    m_list = new QListWidget(this);
    for (const EncodingCandidate& c : m_guess.candidates) {
        QString text = tr("%1: %n byte(s) that do not decode", nullptr, c.undecodable).arg(c.name);
        if (c.misdecoded > 0)
            text += tr(
                ", %n place(s) that look like UTF-8 read as one-byte text", nullptr, c.misdecoded);
        m_list->addItem(text);
    }
    m_list->setMaximumHeight(m_list->sizeHintForRow(0) * 4);
    layout->addWidget(m_list);
    layout->addWidget(new QLabel(tr("Lines where they read differently:"), this));
    m_sample = new QPlainTextEdit(this);
    m_sample->setReadOnly(true);
    m_sample->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_sample->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_sample);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Use This Encoding"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(
        m_list, &QListWidget::currentRowChanged, this, &EncodingGuessDialog::onCandidateChanged);
    m_list->setCurrentRow(0);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_guess.candidates.isEmpty());
    resize(640, 420);
}

QString EncodingGuessDialog::chosenEncoding() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_guess.candidates.size() ? m_guess.candidates.at(row).name
                                                       : QString();
}

void EncodingGuessDialog::onCandidateChanged(int row)
{
    if (row < 0 || row >= m_guess.candidates.size()) {
        m_sample->clear();
        return;
    }
    const EncodingCandidate& c = m_guess.candidates.at(row);
    QStringList lines;
    for (int i = 0; i < m_guess.sampleLines.size() && i < c.sample.size(); ++i)
        lines << tr("Line %1: %2").arg(m_guess.sampleLines.at(i)).arg(c.sample.at(i));
    m_sample->setPlainText(lines.isEmpty() ? tr("The encodings read these bytes alike.")
                                           : lines.join(QLatin1Char('\n')));
}
