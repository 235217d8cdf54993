#include "ui/helpwindow.h"

#include "ui/helppages.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (type == QTextDocument::HtmlResource) {
        const QString page = HelpPages::html(name);
        if (!page.isEmpty())
            return page;
    }
    return QTextBrowser::loadResource(type, name);
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(tr("Varnix Help"));
    resize(760, 640);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    m_back = new QToolButton(this);
    m_back->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    m_back->setToolTip(tr("Back"));
    m_forward = new QToolButton(this);
    m_forward->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    m_forward->setToolTip(tr("Forward"));
    auto* home = new QToolButton(this);
    home->setText(tr("Contents"));
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(home);
    bar->addStretch(1);
    layout->addLayout(bar);
    m_browser = new HelpBrowser(this);
    // Links to the web leave the help window for the browser.
    m_browser->setOpenLinks(false);
    layout->addWidget(m_browser, 1);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("help"))
            showPage(url);
        else
            QDesktopServices::openUrl(url);
    });
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { showPage(HelpPages::contentsUrl()); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
}

void HelpWindow::showPage(const QUrl& url)
{
    m_browser->setSource(url, QTextDocument::HtmlResource);
    // The contents page is the help itself: its title is not said twice.
    const QString title = HelpPages::title(url);
    const QString help = tr("Varnix Help");
    setWindowTitle(title.isEmpty() || title == help ? help : tr("%1 - Varnix Help").arg(title));
    show();
    raise();
    activateWindow();
}
