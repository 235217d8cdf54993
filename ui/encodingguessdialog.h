#pragma once

// The three most likely encodings of an Input's file, each with the bytes it
// cannot decode and the sample lines as it reads them, for the user to pick
// one for the Encoding option.

#include "input/encodingguess.h"

#include <QDialog>

class QListWidget;
class QPlainTextEdit;

class EncodingGuessDialog : public QDialog
{
    Q_OBJECT

public:
    EncodingGuessDialog(const QString& file, const EncodingGuess& guess, QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QPlainTextEdit* sampleView() const { return m_sample; }
    // The candidate chosen in the list; empty when there is none.
    QString chosenEncoding() const;

private:
    void onCandidateChanged(int row);

    EncodingGuess m_guess;
    QListWidget* m_list;
    QPlainTextEdit* m_sample;
};
