#include "ChmHelpViewer.h"

#include <QAction>
#include <QFile>
#include <QMainWindow>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <chm_lib.h>

namespace {

// A page larger than this is taken for a damaged file.
constexpr LONGUINT64 LargestTopic = 64 * 1024 * 1024;

// The path of a topic inside the file: rooted, without a fragment or query.
QByteArray TopicPath(const QString& topic)
{
    QString path = QUrl(topic).path();
    if (!path.startsWith(u'/'))
        path.prepend(u'/');
    return path.toUtf8();
}

// A browser whose pages, pictures and style sheets come out of the help file.
class ChmBrowser final : public QTextBrowser
{
public:
    explicit ChmBrowser(QWidget* parent) : QTextBrowser(parent) {}

    void setHelpFile(const QString& helpFile) { helpFile_ = helpFile; }

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (!name.scheme().isEmpty())
            return QTextBrowser::loadResource(type, name);
        const QByteArray bytes = ChmHelpViewer::ReadTopic(helpFile_, name.path());
        return bytes.isEmpty() ? QVariant() : QVariant(bytes);
    }

private:
    QString helpFile_;
};

class HelpWindow final : public QMainWindow
{
public:
    HelpWindow()
    {
        setObjectName(QStringLiteral("HelpWindow"));
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_QuitOnClose, false); // help never keeps the program running
        setWindowTitle(QStringLiteral("Kelmot Help"));
        resize(720, 540);

        browser = new ChmBrowser(this);
        browser->setObjectName(QStringLiteral("helpBrowser"));
        browser->setOpenExternalLinks(true);
        setCentralWidget(browser);

        QToolBar* bar = addToolBar(QStringLiteral("Navigation"));
        bar->setObjectName(QStringLiteral("helpToolBar"));
        bar->setMovable(false);
        QAction* back = bar->addAction(QStringLiteral("Back"), browser, &QTextBrowser::backward);
        QAction* forward =
            bar->addAction(QStringLiteral("Forward"), browser, &QTextBrowser::forward);
        bar->addAction(QStringLiteral("Contents"), this, [this] { browser->setSource(home); });
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
        connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
        connect(browser, &QTextBrowser::sourceChanged, this, [this] {
            const QString title = browser->documentTitle();
            setWindowTitle(title.isEmpty() ? QStringLiteral("Kelmot Help") : title);
        });
    }

    void open(const QString& helpFile, const QString& topic)
    {
        browser->setHelpFile(helpFile);
        home = QUrl(topic);
        if (browser->source() == home)
            browser->reload();
        else
            browser->setSource(home);
    }

    ChmBrowser* browser;
    QUrl home;
};

} // namespace

ChmHelpViewer::~ChmHelpViewer()
{
    delete window_.data();
}

QByteArray ChmHelpViewer::ReadTopic(const QString& helpFile, const QString& topic)
{
    chmFile* file = chm_open(QFile::encodeName(helpFile).constData());
    if (!file)
        return {};
    QByteArray bytes;
    chmUnitInfo unit{};
    if (chm_resolve_object(file, TopicPath(topic).constData(), &unit) == CHM_RESOLVE_SUCCESS &&
        unit.length > 0 && unit.length <= LargestTopic) {
        bytes.resize(static_cast<qsizetype>(unit.length));
        const LONGINT64 read =
            chm_retrieve_object(file, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                static_cast<LONGINT64>(unit.length));
        if (read != static_cast<LONGINT64>(unit.length))
            bytes.clear();
    }
    chm_close(file);
    return bytes;
}

void ChmHelpViewer::showTopic(const QString& helpFile, const QString& topic)
{
    if (ReadTopic(helpFile, topic).isEmpty())
        return;
    if (!window_)
        window_ = new HelpWindow;
    static_cast<HelpWindow*>(window_.data())->open(helpFile, topic);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ShowHelp(HelpViewer& viewer, const QString& helpFile, const QString& topic)
{
    try {
        viewer.showTopic(helpFile, topic);
    } catch (...) {
        // Help is a convenience: no failure of it is reported.
    }
}
