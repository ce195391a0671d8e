#include "bridge/object.h"
#include "echoobject.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>
#include <QWebChannel>
#include <QWebChannelAbstractTransport>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

// Usage: mirel-callpath [--calls N] [--blocks B] [--only bridge|echo]
// The bridge call's path inside the shell's process, without the browser engine: a web channel
// whose transport answers each response with the next call one event-loop pass later, as the
// page's next call arrives. Times sequential getOption calls on the bridge (an in-process
// instrument that answers at once) against the same number of echo calls on a bare object, and
// prints microseconds per call. Short enough to run under callgrind (--calls 2000 --blocks 1).
namespace {
// The web channel protocol's message types (qwebchannel.js).
constexpr int Init = 3;
constexpr int InvokeMethod = 6;

class QuickInstrument final : public InstrumentSdk
{
public:
    I1Pro3Status getDevices(I1Pro3DeviceHandle **devices, uint32_t *count) override
    {
        *devices = &m_handle;
        *count = 1;
        return 0;
    }
    I1Pro3Status openDevice(I1Pro3DeviceHandle) override { return 0; }
    I1Pro3Status closeDevice(I1Pro3DeviceHandle) override { return 0; }
    I1Pro3Status setOption(I1Pro3DeviceHandle, const char *, const char *) override { return 0; }
    const char *getOption(I1Pro3DeviceHandle, const char *) override { return "ReflectanceSpot"; }
    I1Pro3Status calibrate(I1Pro3DeviceHandle) override { return 0; }
    I1Pro3Status triggerMeasurement(I1Pro3DeviceHandle) override { return 0; }
    I1Pro3Status getDensities(I1Pro3DeviceHandle, float *, int32_t *, int32_t) override { return 0; }
    I1Pro3Status registerDeviceEventHandler(I1Pro3DeviceEventHandler, void *) override { return 0; }

private:
    I1Pro3DeviceHandle m_handle = &m_handle;
};

// The page's side: each answer brings the next call, posted as the engine's message would be.
class LoopbackPage final : public QWebChannelAbstractTransport
{
public:
    LoopbackPage(const QString &object, const QString &method, int calls)
        : m_object(object), m_method(method), m_calls(calls)
    {
    }

    void start(QWebChannel &channel, const QObject &published, const char *signature)
    {
        m_methodIndex = published.metaObject()->indexOfMethod(signature);
        channel.connectTo(this);
        emit messageReceived(QJsonObject{{"type", Init}, {"id", 0}}, this);
        m_clock.start();
        next();
    }

    void sendMessage(const QJsonObject &message) override
    {
        if (message.value(QLatin1String("id")).toInt() == 0)
            return; // the channel's description of the objects
        m_lastAnswer = message.value(QLatin1String("data")).toString();
        if (++m_answered == m_calls) {
            m_elapsedNs = m_clock.nsecsElapsed();
            QCoreApplication::exit();
            return;
        }
        QMetaObject::invokeMethod(this, [this] { next(); }, Qt::QueuedConnection);
    }

    double usPerCall() const { return double(m_elapsedNs) / 1000.0 / m_calls; }
    QString lastAnswer() const { return m_lastAnswer; }

private:
    void next()
    {
        emit messageReceived(QJsonObject{{"type", InvokeMethod},
                                         {"object", m_object},
                                         {"method", m_methodIndex},
                                         {"args", QJsonArray{QStringLiteral("MeasurementMode")}},
                                         {"id", m_answered + 1}},
                             this);
    }

    const QString m_object;
    const QString m_method;
    const int m_calls;
    int m_methodIndex = -1;
    int m_answered = 0;
    qint64 m_elapsedNs = 0;
    QString m_lastAnswer;
    QElapsedTimer m_clock;
};

double timeCalls(QObject &published, const QString &name, const char *signature, int calls, QString *answer)
{
    QWebChannel channel;
    channel.registerObject(name, &published);
    LoopbackPage page(name, QString::fromLatin1(signature), calls);
    page.start(channel, published, signature);
    QCoreApplication::exec();
    *answer = page.lastAnswer();
    return page.usPerCall();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    int calls = 20000;
    int blocks = 5;
    QByteArray only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--calls"))
            calls = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--blocks"))
            blocks = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--only"))
            only = argv[i + 1];
    }

    Object bridge(std::make_unique<QuickInstrument>());
    EchoObject echo;
    std::vector<double> mirel, reference;
    QString bridgeAnswer, echoAnswer;
    for (int block = 0; block < blocks; ++block) {
        if (only != "echo")
            mirel.push_back(timeCalls(bridge, QStringLiteral("eyeOneConnector"), "getOption(QString)", calls, &bridgeAnswer));
        if (only != "bridge")
            reference.push_back(timeCalls(echo, QStringLiteral("reference"), "echo(QString)", calls, &echoAnswer));
    }
    QTextStream out(stdout);
    if (!mirel.empty())
        out << "bridge getOption: median " << median(mirel) << " us/call, min "
            << *std::min_element(mirel.begin(), mirel.end()) << " (answer " << bridgeAnswer << ")\n";
    if (!reference.empty())
        out << "bare echo:        median " << median(reference) << " us/call, min "
            << *std::min_element(reference.begin(), reference.end()) << " (answer " << echoAnswer << ")\n";
    if (!mirel.empty() && !reference.empty())
        out << "difference:       " << median(mirel) - median(reference) << " us/call\n";
    const bool bridgeRight = mirel.empty() || bridgeAnswer == QLatin1String("ReflectanceSpot");
    const bool echoRight = reference.empty() || echoAnswer == QLatin1String("MeasurementMode");
    return bridgeRight && echoRight ? 0 : 1;
}
