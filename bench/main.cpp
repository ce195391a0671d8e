#include "echoobject.h"

#include <QApplication>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

// Usage: mirel-reference <page URL>. Publishes an EchoObject as "reference".
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWebEngineView window;
    EchoObject echo;

    auto *channel = new QWebChannel(&window);
    channel->registerObject(QStringLiteral("reference"), &echo);
    window.page()->setWebChannel(channel, QWebEngineScript::MainWorld);

    if (argc > 1)
        window.setUrl(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    // mirel opens maximized by default: the same window, so both render the same area.
    window.showMaximized();
    return application.exec();
}
