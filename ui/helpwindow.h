#pragma once

#include <QTextBrowser>
#include <QWidget>

class QToolButton;

// Shows the pages of HelpPages and follows their links.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override;
};

// The help window: one per main window, opened again where it was left.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void showPage(const QUrl& url);
    HelpBrowser* browser() const { return m_browser; }

private:
    HelpBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};
