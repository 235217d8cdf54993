#include "ui/editors/simpleeditors.h"

#include "transforms/transformparameter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QSpinBox>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QHBoxLayout* bareLayout(QWidget* owner)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

} // namespace

BoolEditor::BoolEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent),
      m_check(new QCheckBox(optionLabel(parameter->label()), this))
{
    bareLayout(this)->addWidget(m_check);
    connect(m_check, &QCheckBox::toggled, this, &BoolEditor::notifyEdited);
}

QVariant BoolEditor::editedValue() const
{
    return m_check->isChecked();
}
void BoolEditor::loadValue()
{
    m_check->setChecked(parameter()->boolValue());
}

SelectionEditor::SelectionEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_combo(new QComboBox(this))
{
    bareLayout(this)->addWidget(m_combo);
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(m_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &SelectionEditor::notifyEdited);
}

QVariant SelectionEditor::editedValue() const
{
    return m_combo->currentText();
}

void SelectionEditor::loadValue()
{
    m_combo->clear();
    m_combo->addItems(parameter()->choiceList());
    m_combo->setCurrentIndex(parameter()->selectionIndex());
}

TextEditor::TextEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_edit(new QLineEdit(this))
{
    bareLayout(this)->addWidget(m_edit);
    connect(m_edit, &QLineEdit::textEdited, this, &TextEditor::notifyEdited);
}

QVariant TextEditor::editedValue() const
{
    return m_edit->text();
}
void TextEditor::loadValue()
{
    m_edit->setText(parameter()->text());
}

IntEditor::IntEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_spin(new QSpinBox(this))
{
    bareLayout(this)->addWidget(m_spin);
    m_spin->setGroupSeparatorShown(true);
    connect(m_spin, QOverload<int>::of(&QSpinBox::valueChanged), this, &IntEditor::notifyEdited);
}

QVariant IntEditor::editedValue() const
{
    return m_spin->value();
}

void IntEditor::loadValue()
{
    const TransformParameter* p = parameter();
    m_spin->setRange(p->minimumInt(), p->maximumInt());
    m_spin->setSpecialValueText(p->specialValueText());
    m_spin->setSuffix(p->suffix());
    m_spin->setValue(p->intValue());
}

RealEditor::RealEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_spin(new QDoubleSpinBox(this))
{
    bareLayout(this)->addWidget(m_spin);
    m_spin->setGroupSeparatorShown(true);
    m_spin->setDecimals(3);
    connect(m_spin, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
        &RealEditor::notifyEdited);
}

QVariant RealEditor::editedValue() const
{
    return m_spin->value();
}

void RealEditor::loadValue()
{
    const TransformParameter* p = parameter();
    m_spin->setRange(p->minimumReal(), p->maximumReal());
    m_spin->setSuffix(p->suffix());
    m_spin->setSpecialValueText(p->specialValueText());
    m_spin->setValue(p->realValue());
}

// One character

CharLineEdit::CharLineEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, &CharLineEdit::onTextEdited);
}

QString CharLineEdit::displayText(QChar c)
{
    if (c == QLatin1Char(' '))
        return QStringLiteral("<Space>");
    if (c == QLatin1Char('\t'))
        return QStringLiteral("<Tab>");
    return c.isNull() ? QString() : QString(c);
}

void CharLineEdit::setCharacter(QChar c)
{
    m_char = c;
    setText(displayText(c));
}

bool CharLineEdit::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
        setCharacter(QLatin1Char('\t'));
        emit characterEdited(m_char);
        return true;
    }
    return QLineEdit::event(event);
}

void CharLineEdit::onTextEdited(const QString& text)
{
    // Whatever was typed last wins: strip the shown name of the previous
    // character and keep the newest one.
    QString typed = text;
    const QString shown = displayText(m_char);
    if (shown.size() > 1 && typed.size() > shown.size()) {
        const int at = typed.indexOf(shown);
        if (at >= 0)
            typed.remove(at, shown.size());
    } else if (shown.size() > 1 && typed.size() < shown.size()) {
        typed.clear(); // a deletion inside "<Space>" removes the character
    }
    setCharacter(typed.isEmpty() ? QChar() : typed.at(typed.size() - 1));
    emit characterEdited(m_char);
}

CharEditor::CharEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_edit(new CharLineEdit(this))
{
    QHBoxLayout* layout = bareLayout(this);
    layout->addWidget(m_edit);
    layout->addStretch(1);
    m_edit->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("<Space>MM")));
    connect(m_edit, &CharLineEdit::characterEdited, this, &CharEditor::notifyEdited);
}

QVariant CharEditor::editedValue() const
{
    return m_edit->character().isNull() ? QVariant(QString()) : QVariant(m_edit->character());
}

void CharEditor::loadValue()
{
    m_edit->setCharacter(parameter()->charValue());
}

// Script editor

namespace {

class LineNumberMargin : public QWidget
{
public:
    explicit LineNumberMargin(CodeEdit* edit) : QWidget(edit), m_edit(edit) { }
    QSize sizeHint() const override { return QSize(m_edit->lineNumberWidth(), 0); }

protected:
    void paintEvent(QPaintEvent* event) override { m_edit->paintLineNumbers(event); }

private:
    CodeEdit* m_edit;
};

} // namespace

CodeEdit::CodeEdit(QWidget* parent) : QPlainTextEdit(parent), m_margin(new LineNumberMargin(this))
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeEdit::onBlockCountChanged);
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeEdit::onUpdateRequest);
    onBlockCountChanged();
}

int CodeEdit::lineNumberWidth() const
{
    const int digits = QString::number(std::max(1, blockCount())).size();
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(2, digits);
}

void CodeEdit::onBlockCountChanged()
{
    setViewportMargins(lineNumberWidth(), 0, 0, 0);
}

void CodeEdit::onUpdateRequest(const QRect& rect, int dy)
{
    if (dy)
        m_margin->scroll(0, dy);
    else
        m_margin->update(0, rect.y(), m_margin->width(), rect.height());
}

void CodeEdit::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    m_margin->setGeometry(QRect(r.left(), r.top(), lineNumberWidth(), r.height()));
}

void CodeEdit::paintLineNumbers(QPaintEvent* event)
{
    QPainter painter(m_margin);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            painter.drawText(0, top, m_margin->width() - 4, fontMetrics().height(), Qt::AlignRight,
                QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top += height;
    }
}

ScriptEditor::ScriptEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_edit(new CodeEdit(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    // The option's explanation is longer than a tool tip reads well, so a
    // "?" button above the script's top right corner shows it.
    if (!parameter->tooltip().isEmpty()) {
        auto* help = new QToolButton(this);
        help->setText(QStringLiteral("?"));
        help->setToolTip(tr("Help for scripts"));
        column->addWidget(help, 0, Qt::AlignRight);
        connect(help, &QToolButton::clicked, this, &ScriptEditor::onHelp);
    }
    column->addWidget(m_edit);
    m_edit->setMinimumHeight(160);
    connect(m_edit, &QPlainTextEdit::textChanged, this, &ScriptEditor::notifyEdited);
}

void ScriptEditor::onHelp()
{
    QMessageBox::information(this, parameter()->label(), parameter()->tooltip());
}

QVariant ScriptEditor::editedValue() const
{
    return m_edit->toPlainText();
}
void ScriptEditor::loadValue()
{
    m_edit->setPlainText(parameter()->text());
}

LongTextEditor::LongTextEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_edit(new QPlainTextEdit(this))
{
    bareLayout(this)->addWidget(m_edit);
    m_edit->setMinimumHeight(80);
    m_edit->setTabChangesFocus(true);
    connect(m_edit, &QPlainTextEdit::textChanged, this, &LongTextEditor::notifyEdited);
}

QVariant LongTextEditor::editedValue() const
{
    return m_edit->toPlainText();
}
void LongTextEditor::loadValue()
{
    m_edit->setPlainText(parameter()->text());
}

LabelEditor::LabelEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_label(new QLabel(this))
{
    bareLayout(this)->addWidget(m_label);
    m_label->setWordWrap(true);
    m_label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_label->setOpenExternalLinks(true);
}

void LabelEditor::loadValue()
{
    const QString text = parameter()->value().toString();
    m_label->setText(text.isEmpty() ? parameter()->label() : text);
}

DateEditor::DateEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_edit(new QDateEdit(this))
{
    bareLayout(this)->addWidget(m_edit);
    m_edit->setCalendarPopup(true);
    m_edit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    connect(m_edit, &QDateEdit::dateChanged, this, &DateEditor::notifyEdited);
}

QVariant DateEditor::editedValue() const
{
    return m_edit->date();
}

void DateEditor::loadValue()
{
    const QDate date = parameter()->dateValue();
    m_edit->setDate(date.isValid() ? date : QDate(2000, 1, 1));
}

LocaleEditor::LocaleEditor(TransformParameter* parameter, QWidget* parent)
    : ParameterEditor(parameter, parent), m_combo(new QComboBox(this))
{
    bareLayout(this)->addWidget(m_combo);
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fillLocaleCombo(m_combo);
    connect(m_combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &LocaleEditor::notifyEdited);
}

void fillLocaleCombo(QComboBox* combo)
{
    QList<QPair<QString, QString>> entries;
    const QList<QLocale> all
        = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry);
    for (const QLocale& locale : all) {
        if (locale.language() != QLocale::C)
            entries.append({ LocaleEditor::localeText(locale), locale.name() });
    }
    std::sort(entries.begin(), entries.end());
    combo->addItem(
        LocaleEditor::tr("System locale (%1)").arg(LocaleEditor::localeText(QLocale::system())),
        QString());
    for (const auto& entry : entries) {
        if (combo->findData(entry.second) < 0)
            combo->addItem(entry.first, entry.second);
    }
}

QString LocaleEditor::localeText(const QLocale& locale)
{
    return QStringLiteral("%1 - %2 (%3)")
        .arg(QLocale::languageToString(locale.language()),
            QLocale::countryToString(locale.country()), locale.bcp47Name());
}

QVariant LocaleEditor::editedValue() const
{
    const QString name = m_combo->currentData().toString();
    return name.isEmpty() ? QVariant() : QVariant(QLocale(name));
}

void LocaleEditor::loadValue()
{
    if (parameter()->isSystemLocale()) {
        m_combo->setCurrentIndex(0);
        return;
    }
    const int found = m_combo->findData(parameter()->localeValue().name());
    m_combo->setCurrentIndex(std::max(0, found));
}
