#include "ui/windowdialogs.h"

#include "graph/graphmodel.h"
#include "graph/node.h"
#include "graph/transformnode.h"
#include "transforms/transform.h"
#include "ui/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString typeText(const Node& node)
{
    if (const auto* t = qobject_cast<const TransformNode*>(&node)) {
        if (t->transform())
            return node.typeName() + QLatin1Char(' ') + t->transform()->displayName();
    }
    return node.typeName();
}

} // namespace

// Find items

FindItemsDialog::FindItemsDialog(GraphModel* scene, QWidget* parent)
    : QDialog(parent), m_scene(scene)
{
    setWindowTitle(tr("Find Items"));
    WindowSettings& s = WindowSettings::instance();
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_text = new QLineEdit(s.findText(), this);
    m_text->setPlaceholderText(tr("Words to find"));
    m_allAny = new QComboBox(this);
    m_allAny->addItems({ tr("All words"), tr("Any word") });
    m_allAny->setCurrentIndex(qBound(0, s.findAllAny(), 1));
    form->addRow(tr("Find:"), m_text);
    form->addRow(tr("Match:"), m_allAny);
    layout->addLayout(form);
    m_inNames = new QCheckBox(tr("In names"), this);
    m_inNames->setChecked(s.findInNames());
    m_inTypes = new QCheckBox(tr("In types"), this);
    m_inTypes->setChecked(true);
    m_inComments = new QCheckBox(tr("In comments"), this);
    m_inComments->setChecked(s.findInComments());
    m_caseSensitive = new QCheckBox(tr("Case sensitive"), this);
    m_caseSensitive->setChecked(s.findCaseSensitive());
    m_zoom = new QCheckBox(tr("Zoom to the items found"), this);
    m_zoom->setChecked(s.findZoomSelected());
    for (QCheckBox* box : { m_inNames, m_inTypes, m_inComments, m_caseSensitive, m_zoom })
        layout->addWidget(box);
    m_result = new QLabel(this);
    layout->addWidget(m_result);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* findButton = buttons->addButton(tr("Find"), QDialogButtonBox::ActionRole);
    findButton->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(findButton, &QPushButton::clicked, this, [this] { findAndSelect(); });
}

QList<Node*> FindItemsDialog::find(const GraphModel& scene, const QString& text, bool allWords,
    bool inNames, bool inTypes, bool inComments, bool caseSensitive)
{
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<Node*> found;
    if (words.isEmpty())
        return found;
    const Qt::CaseSensitivity cs = caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (Node* n : scene.nodes()) {
        QStringList fields;
        if (inNames)
            fields << n->displayName();
        if (inTypes)
            fields << typeText(*n);
        if (inComments)
            fields << n->comment();
        auto matches = [&](const QString& word) {
            return std::any_of(fields.begin(), fields.end(),
                [&](const QString& f) { return f.contains(word, cs); });
        };
        const bool hit = allWords ? std::all_of(words.begin(), words.end(), matches)
                                  : std::any_of(words.begin(), words.end(), matches);
        if (hit)
            found.append(n);
    }
    return found;
}

QList<Node*> FindItemsDialog::findAndSelect()
{
    WindowSettings& s = WindowSettings::instance();
    s.setFindText(m_text->text());
    s.setFindAllAny(m_allAny->currentIndex());
    s.setFindInNames(m_inNames->isChecked());
    s.setFindInComments(m_inComments->isChecked());
    s.setFindCaseSensitive(m_caseSensitive->isChecked());
    s.setFindZoomSelected(m_zoom->isChecked());
    const QList<Node*> found
        = find(*m_scene, m_text->text(), m_allAny->currentIndex() == 0, m_inNames->isChecked(),
            m_inTypes->isChecked(), m_inComments->isChecked(), m_caseSensitive->isChecked());
    m_scene->clearSelection();
    for (Node* n : found)
        n->setSelected(true);
    m_result->setText(found.isEmpty() ? tr("No items found.")
                                      : tr("%1 item(s) found and selected.").arg(found.size()));
    if (!found.isEmpty() && m_zoom->isChecked())
        emit zoomWanted(found);
    return found;
}

// Locale

LocaleDialog::LocaleDialog(const QLocale& current, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Locale"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("The locale governs how dates and numbers are read and written "
                                "in this document."),
        this);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_locales = new QComboBox(this);
    QList<QLocale> all
        = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry);
    QStringList seen;
    for (const QLocale& l : all) {
        if (l.language() == QLocale::C || seen.contains(l.name()))
            continue;
        seen << l.name();
        m_locales->addItem(QStringLiteral("%1 - %2 (%3)")
                               .arg(QLocale::languageToString(l.language()),
                                   QLocale::countryToString(l.country()), l.name()),
            l.name());
    }
    m_locales->model()->sort(0);
    m_locales->setCurrentIndex(qMax(0, m_locales->findData(current.name())));
    layout->addWidget(m_locales);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QLocale LocaleDialog::locale() const
{
    return QLocale(m_locales->currentData().toString());
}

// Keyboard shortcuts

KeyboardShortcutsDialog::KeyboardShortcutsDialog(const QList<QAction*>& commands, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Keyboard Shortcuts"));
    auto* layout = new QVBoxLayout(this);
    auto* table = new QTableWidget(commands.size(), 2, this);
    table->setHorizontalHeaderLabels({ tr("Command"), tr("Shortcut") });
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < commands.size(); ++i) {
        QString name = commands.at(i)->text();
        table->setItem(i, 0, new QTableWidgetItem(name.remove(QLatin1Char('&'))));
        table->setItem(i, 1,
            new QTableWidgetItem(commands.at(i)->shortcut().toString(QKeySequence::NativeText)));
    }
    table->sortItems(0);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->resizeColumnToContents(1);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(440, 560);
}

// Recent documents

RecentDocumentsDialog::RecentDocumentsDialog(const QStringList& paths, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Open Recent"));
    auto* layout = new QVBoxLayout(this);
    m_list = new QListWidget(this);
    for (const QString& path : paths) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1\n    %2")
                .arg(QFileInfo(path).fileName(), QDir::toNativeSeparators(path)),
            m_list);
        item->setData(Qt::UserRole, path);
        if (!QFileInfo::exists(path))
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    if (paths.isEmpty())
        layout->addWidget(new QLabel(tr("No recent documents."), this));
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    auto choose = [this] {
        if (QListWidgetItem* item = m_list->currentItem()) {
            m_chosen = item->data(Qt::UserRole).toString();
            accept();
        }
    };
    connect(buttons, &QDialogButtonBox::accepted, this, choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, choose);
    resize(560, 380);
}
