#include "ui/actionpane.h"
#include "ui/theme.h"
#include "ui/transformdrag.h"
#include "ui/transformsuggest.h"

#include "transforms/catalogue.h"
#include "transforms/transform.h"
#include "ui/windowsettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int UsageSizes[] = { 10, 15, 20, 25, 30 };

QString plainEntry(const QString& entry)
{
    QString text = entry;
    return text.remove(QLatin1Char('&'));
}

QString buttonTip(const Transform& t)
{
    return QStringLiteral("<b>%1</b><br>%2<br><i>Needs %3.</i>")
        .arg(
            t.displayName().toHtmlEscaped(), t.description().toHtmlEscaped(), t.inputRequirement());
}

// A transform's button: its name is shortened in the middle when the pane
// is narrow (the tip names it in full), so that no name is cut at an edge.
class TransformButton : public QToolButton
{
public:
    TransformButton(const QString& name, QWidget* parent) : QToolButton(parent), m_name(name)
    {
        setText(name);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QToolButton::resizeEvent(event);
        setText(fontMetrics().elidedText(m_name, Qt::ElideMiddle, width() - 12));
    }

private:
    QString m_name;
};

} // namespace

ActionPane::ActionPane(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    auto* items = new QGridLayout;
    items->setSpacing(4);
    buildItemButtons(items);
    layout->addLayout(items);

    auto* quickLabel = new QLabel(tr("Keyboard shortcut"), this);
    m_quickAdd = new QLineEdit(this);
    const QString quickTip
        = QStringLiteral("Add a new transform quickly by typing a few letters of it's name.");
    m_quickAdd->setToolTip(quickTip);
    quickLabel->setToolTip(quickTip);
    m_quickAdd->setPlaceholderText(tr("Add transform by name"));
    m_quickAdd->setClearButtonEnabled(true);
    QStringList names;
    for (const Transform* t : Catalogue::instance().prototypes())
        names << t->displayName();
    auto* completer = new QCompleter(names, m_quickAdd);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    m_quickAdd->setCompleter(completer);
    connect(m_quickAdd, &QLineEdit::returnPressed, this, &ActionPane::onQuickAdd);
    layout->addWidget(quickLabel);
    layout->addWidget(m_quickAdd);

    auto* heading = new QLabel(tr("<b>Transforms</b>"), this);
    layout->addWidget(heading);
    m_filter = new QComboBox(this);
    m_filter->setToolTip(QStringLiteral("Filter the type of transforms to display."));
    layout->addWidget(m_filter);

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("Transform keywords"));
    m_search->setToolTip(QStringLiteral("Type one or more keywords, separated by Spaces, to find "
                                        "the transform you want. (%1)")
                             .arg(QStringLiteral("Ctrl+K")));
    m_search->setClearButtonEnabled(true);
    layout->addWidget(m_search);

    m_advanced = new QCheckBox(tr("Show advanced"), this);
    m_advanced->setToolTip(QStringLiteral("Check to show all %1 available transforms.")
                               .arg(Catalogue::instance().prototypes().size()));
    m_advanced->setChecked(WindowSettings::instance().showAdvancedTransforms());
    layout->addWidget(m_advanced);

    m_buttonBox = new QWidget;
    m_buttonGrid = new QGridLayout(m_buttonBox);
    m_buttonGrid->setContentsMargins(0, 0, 0, 0);
    m_buttonGrid->setSpacing(3);
    buildTransformButtons();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(m_buttonBox);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(scroll, 1);
    m_matchCount = new QLabel(this);
    m_matchCount->setStyleSheet(QStringLiteral("color: #707070;"));
    m_matchCount->setWordWrap(true);
    layout->addWidget(m_matchCount);

    rebuildFilterEntries();
    m_searchDelay.setSingleShot(true);
    m_searchDelay.setInterval(250);
    connect(&m_searchDelay, &QTimer::timeout, this, &ActionPane::applyFilter);
    connect(m_search, &QLineEdit::textChanged, this, [this] { m_searchDelay.start(); });
    connect(
        m_filter, qOverload<int>(&QComboBox::currentIndexChanged), this, &ActionPane::applyFilter);
    connect(m_advanced, &QCheckBox::toggled, this, [this](bool on) {
        WindowSettings::instance().setShowAdvancedTransforms(on);
        applyFilter();
    });
    applyFilter();
}

void ActionPane::buildItemButtons(QGridLayout* grid)
{
    auto make = [this](const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setToolTip(tip);
        b->setMinimumHeight(30);
        return b;
    };
    m_inputButton = make(tr("Input"), tr("Add an Input item that reads a data file."));
    m_outputButton
        = make(tr("Output"), tr("Add an Output item that writes the selected item's data."));
    m_noteButton = make(tr("Note"), tr("Add a Note to the Center pane."));
    m_chartButton = make(tr("Chart"), tr("Add a Chart item that draws the selected item's data."));
    m_chartButton->setObjectName(QStringLiteral("chartButton"));
    m_inputButton->setObjectName(QStringLiteral("inputButton"));
    m_outputButton->setObjectName(QStringLiteral("outputButton"));
    m_noteButton->setObjectName(QStringLiteral("noteButton"));
    const QPalette p = QApplication::palette();
    m_inputButton->setStyleSheet(Theme::itemButtonStyle(QColor(0x2e, 0x8b, 0x57), p));
    m_outputButton->setStyleSheet(Theme::itemButtonStyle(QColor(0xc8, 0x6a, 0x12), p));
    m_noteButton->setStyleSheet(Theme::itemButtonStyle(QColor(0xc9, 0xb0, 0x3c), p));
    m_chartButton->setStyleSheet(Theme::itemButtonStyle(QColor(0x7a, 0x4f, 0xb5), p));
    grid->addWidget(m_inputButton, 0, 0);
    grid->addWidget(m_outputButton, 0, 1);
    grid->addWidget(m_chartButton, 1, 0);
    grid->addWidget(m_noteButton, 1, 1);
    connect(m_inputButton, &QPushButton::clicked, this, &ActionPane::addInputRequested);
    connect(m_outputButton, &QPushButton::clicked, this, &ActionPane::addOutputRequested);
    connect(m_noteButton, &QPushButton::clicked, this, &ActionPane::addNoteRequested);
    connect(m_chartButton, &QPushButton::clicked, this, &ActionPane::addChartRequested);
}

void ActionPane::buildTransformButtons()
{
    for (const Transform* t : Catalogue::instance().prototypes()) {
        auto* b = new TransformButton(t->displayName(), m_buttonBox);
        b->setToolTip(buttonTip(*t));
        // Equal columns that share the pane's width, whatever the names.
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        b->setMinimumHeight(26);
        b->setAutoRaise(false);
        const QString key = t->typeKey();
        connect(b, &QToolButton::clicked, this, [this, key] { emit addTransformRequested(key); });
        TransformDrag::enable(b, key);
        m_buttons.insert(key, b);
        m_order << key;
    }
}

void ActionPane::rebuildFilterEntries()
{
    const int previous = qMax(0, m_filter->currentIndex());
    const QSignalBlocker block(m_filter);
    m_filter->clear();
    for (const QString& entry : Catalogue::categoryEntries())
        m_filter->addItem(QStringLiteral("%1 transforms").arg(plainEntry(entry)));
    // Usage entries appear once the history holds enough types.
    const int distinct = QSet<QString>(m_usage.begin(), m_usage.end()).size();
    for (int size : UsageSizes) {
        if (distinct >= size) {
            m_filter->addItem(QStringLiteral("%1 most used").arg(size), size);
            m_filter->addItem(QStringLiteral("%1 last used").arg(size), -size);
        }
    }
    m_filter->setCurrentIndex(previous < m_filter->count() ? previous : 0);
}

void ActionPane::noteUsed(const QString& typeKey)
{
    m_usage.append(typeKey);
    if (m_usage.size() > 1000)
        m_usage.removeFirst();
    rebuildFilterEntries();
}

QList<QString> ActionPane::usageEntryKeys(int entry) const
{
    const int size = m_filter->itemData(entry).toInt();
    QStringList keys;
    if (size < 0) {
        for (int i = m_usage.size() - 1; i >= 0 && keys.size() < -size; --i) {
            if (!keys.contains(m_usage.at(i)))
                keys << m_usage.at(i);
        }
        return keys;
    }
    QHash<QString, int> counts;
    for (const QString& k : m_usage)
        ++counts[k];
    keys = counts.keys();
    std::sort(keys.begin(), keys.end(), [&counts](const QString& a, const QString& b) {
        return counts.value(a) != counts.value(b) ? counts.value(a) > counts.value(b) : a < b;
    });
    return keys.mid(0, size);
}

void ActionPane::applyFilter()
{
    const int entry = qMax(0, m_filter->currentIndex());
    const int categories = Catalogue::categoryEntries().size();
    const bool usage = entry >= categories;
    const QList<const Transform*> shown = Catalogue::instance().visible(
        usage ? 0 : entry, m_advanced->isChecked(), m_search->text());
    QSet<QString> keys;
    for (const Transform* t : shown)
        keys.insert(t->typeKey());
    if (usage) {
        const QList<QString> used = usageEntryKeys(entry);
        keys.intersect(QSet<QString>(used.begin(), used.end()));
    }
    // Re-flow the shown buttons into two columns so no gaps remain.
    for (QToolButton* b : qAsConst(m_buttons)) {
        m_buttonGrid->removeWidget(b);
        b->hide();
    }
    int index = 0;
    for (const QString& key : qAsConst(m_order)) {
        if (!keys.contains(key))
            continue;
        QToolButton* b = m_buttons.value(key);
        m_buttonGrid->addWidget(b, index / 2, index % 2);
        b->show();
        ++index;
    }
    m_buttonGrid->setRowStretch(m_buttonGrid->rowCount(), 1);
    if (index == 0 && !m_search->text().trimmed().isEmpty())
        m_matchCount->setText(noMatchText(usage ? 0 : entry));
    else
        m_matchCount->setText(index == 0 ? tr("No transforms match.")
                                         : tr("%1 of %2 transforms shown")
                                               .arg(index)
                                               .arg(Catalogue::instance().prototypes().size()));
}

// With "show advanced" off, a search may match only types the list hides:
// the user is told which and how to show them, instead of that nothing
// matches.
QString ActionPane::noMatchText(int categoryEntry) const
{
    QStringList hidden;
    if (!m_advanced->isChecked()) {
        for (const Transform* t :
            Catalogue::instance().visible(categoryEntry, true, m_search->text()))
            hidden << t->displayName();
    }
    if (hidden.isEmpty())
        return TransformSuggest::noMatchText(m_search->text());
    return tr("'%1' matches only advanced types: %2. Check \"Show advanced\" to show them.")
        .arg(m_search->text().trimmed(), hidden.join(QStringLiteral(", ")));
}

QStringList ActionPane::visibleTypeKeys() const
{
    QStringList keys;
    for (const QString& key : m_order) {
        if (!m_buttons.value(key)->isHidden())
            keys << key;
    }
    return keys;
}

QToolButton* ActionPane::transformButton(const QString& typeKey) const
{
    return m_buttons.value(typeKey);
}

QString ActionPane::quickAddMatch(const QString& text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return QString();
    const QList<Transform*>& all = Catalogue::instance().prototypes();
    auto find = [&](auto accepts) -> QString {
        for (const Transform* t : all) {
            if (accepts(t->displayName()))
                return t->typeKey();
        }
        return QString();
    };
    const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
    QString key = find([&](const QString& n) { return n.compare(typed, cs) == 0; });
    if (key.isEmpty())
        key = find([&](const QString& n) { return n.startsWith(typed, cs); });
    if (key.isEmpty()) {
        key = find([&](const QString& n) {
            const QStringList words = n.split(QLatin1Char(' '));
            return std::any_of(words.begin(), words.end(),
                [&](const QString& w) { return w.startsWith(typed, cs); });
        });
    }
    if (key.isEmpty())
        key = find([&](const QString& n) { return n.contains(typed, cs); });
    return key;
}

void ActionPane::onQuickAdd()
{
    const QString key = quickAddMatch(m_quickAdd->text());
    if (key.isEmpty()) {
        // Enter on a name that matches nothing says so, with the near names.
        if (!m_quickAdd->text().trimmed().isEmpty())
            m_matchCount->setText(TransformSuggest::noMatchText(m_quickAdd->text()));
        return;
    }
    m_quickAdd->clear();
    emit addTransformRequested(key);
}
