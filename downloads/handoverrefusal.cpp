#include "handoverrefusal.h"

#include "temporaryfilename.h"
#include "bridge/originpolicy.h"

#include <QUrl>

#include <algorithm>
#include <string_view>

namespace {
// Types that opening runs instead of showing. Windows "opens" them with their program or
// interpreter, and the print mode there is an open too ("cmd /c start"), so one list serves
// every platform. Taken from what the platforms themselves run: Windows' PATHEXT and its
// attachment manager's high-risk types, the launchers and packages Linux desktops install or
// start, and the shell scripts a file manager offers to run. Office documents, PDFs and images
// stay off: showing them is what "open" is for.
constexpr std::string_view RunnableExtensions[] = {
    // Windows programs, and consoles and panels that load code
    "exe", "com", "scr", "pif", "cpl", "msc",
    // Windows scripts: cmd, Script Host, HTML applications, PowerShell, Python's launcher
    "bat", "cmd", "vbs", "vbe", "vb", "js", "jse", "wsf", "wsh", "ws", "hta", "ps1", "psm1",
    "py", "pyw",
    // Windows shortcuts and Explorer commands, which run whatever they point at
    "lnk", "url", "scf", "appref-ms", "settingcontent-ms",
    // Windows installers, app packages, registry and setup files, Java, compiled help
    "msi", "msp", "msix", "msixbundle", "appx", "appxbundle", "appinstaller", "application",
    "gadget", "reg", "inf", "jar", "jnlp", "chm",
    // Linux launchers, shell scripts (".command" on macOS), self-extracting installers
    "desktop", "sh", "bash", "zsh", "csh", "ksh", "fish", "command", "run", "bin",
    // Linux applications and packages, which install or start programs
    "appimage", "deb", "rpm", "snap", "flatpak", "flatpakref", "flatpakrepo",
};
} // namespace

bool runsAsProgram(const QString &suggestedName)
{
    // The cleaned name is the one written to disk, so trailing dots and spaces are gone already.
    const QString name = safeFileName(suggestedName);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QByteArray extension = name.mid(dot + 1).toCaseFolded().toUtf8();
    const std::string_view wanted(extension.constData(), size_t(extension.size()));
    return std::find(std::begin(RunnableExtensions), std::end(RunnableExtensions), wanted)
            != std::end(RunnableExtensions);
}

const char *handOverRefusal(const OriginPolicy &policy, const QUrl &page, const QString &suggestedName)
{
    if (!policy.allows(page))
        return "untrusted page";
    if (runsAsProgram(suggestedName))
        return "runs as a program";
    return nullptr;
}
