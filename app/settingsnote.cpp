#include "settingsnote.h"

#include "logfilenote.h"

#include <QJsonArray>
#include <QJsonDocument>

void showSettingsOnBundledPages(QWebEnginePage *page, const QList<SettingInForce> &settings)
{
    // As JSON, so quotes and backslashes in a value come out escaped; put in as text, never markup.
    QJsonArray rows;
    for (const SettingInForce &setting : settings)
        rows.append(QJsonArray{setting.key, setting.value, sourceName(setting.source)});
    runOnBundledPages(page, QStringLiteral("mirel-settings-in-force"),
                      QStringLiteral("const body = document.getElementById('settings-in-force');"
                                     " if (body) body.replaceChildren(...%1.map(cells => {"
                                     "  const row = document.createElement('tr');"
                                     "  for (const cell of cells) row.insertCell().textContent = cell;"
                                     "  return row; }));")
                              .arg(QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))));
}
