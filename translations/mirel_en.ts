<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en">
<context>
    <name>BrowserPage</name>
    <message>
        <source>Don&apos;t let this page show more dialogs</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BrowserWindow</name>
    <message numerus="yes">
        <source>%n download(s) still in progress. Quit anyway?</source>
        <translation>
            <numerusform>%n download is still in progress. Quit anyway?</numerusform>
            <numerusform>%n downloads are still in progress. Quit anyway?</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
</context>
<context>
    <name>DownloadLine</name>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show in folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation type="unfinished">%1 — %2</translation>
    </message>
    <message>
        <source>%1 — %2 of %3 (%4 %)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 — saved (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opened %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sent %1 to the printer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 — failed: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 — cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Printing %1…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Find in page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previous match (Shift+F3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next match (F3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close the find bar (Escape)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No matches</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LoadFailurePage</name>
    <message>
        <source>the certificate was issued for another name than the server&apos;s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate has expired, or is not valid yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate was issued by an authority that this computer does not know (an unknown issuer, or a self-signed certificate)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate was revoked by its issuer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate is signed with an algorithm that is no longer safe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate&apos;s key is too weak</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate names a server that its issuer may not certify</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate is valid for too long a time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate was issued for a name that is not unique</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate is not valid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s administrator installs a certificate issued for &lt;code&gt;%1&lt;/code&gt;, or the address is changed to the name the certificate was issued for.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check that this computer&apos;s date and time are right; if they are, the server&apos;s administrator renews the certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s administrator replaces the certificate.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Trying again in %1 s.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check the network connection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Page not available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The page could not be loaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirel refused the connection, so nothing of the page was loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server not trusted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not trusted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;p&gt;Source: the &lt;code&gt;Server&lt;/code&gt; setting in &lt;code&gt;%1&lt;/code&gt;&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;p&gt;Source: the built-in start page&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;p&gt;This build names no server: set one with the &lt;code&gt;Server&lt;/code&gt; key in &lt;code&gt;%1&lt;/code&gt;, or build Mirel with &lt;code&gt;-DMIREL_START_HOST=&lt;i&gt;your-host&lt;/i&gt;&lt;/code&gt;.&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reason:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If the certificate comes from your organization&apos;s own certificate authority, an administrator installs that authority&apos;s certificate in the Windows certificate store, under &lt;i&gt;Trusted Root Certification Authorities&lt;/i&gt; of the local computer (&lt;code&gt;certlm.msc&lt;/code&gt;, or &lt;code&gt;certutil -addstore Root ca.crt&lt;/code&gt; from an administrator&apos;s command prompt). Mirel checks a server&apos;s certificate once per run: then restart Mirel.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>If the certificate comes from your organization&apos;s own certificate authority, an administrator installs that authority&apos;s certificate (&lt;code&gt;ca.crt&lt;/code&gt; below) in the NSS certificate database of the user who runs Mirel, &lt;code&gt;%1&lt;/code&gt;, with these commands run as that user (certutil comes with the package libnss3-tools):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirel checks a server&apos;s certificate once per run: then restart Mirel.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server did not answer: it may be down, or its name unknown. If this goes on, tell the administrator of &lt;code&gt;%1&lt;/code&gt;, the server that the &lt;code&gt;Server&lt;/code&gt; setting above names.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server did not answer: it may be down, or its name unknown. If this goes on, tell the administrator of &lt;code&gt;%1&lt;/code&gt;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restart Mirel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SignInDialog</name>
    <message>
        <source>Sign in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The proxy %1 asks you to sign in before it lets Mirel reach %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server %1 asks you to sign in.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user name or password was not accepted. Please try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Realm:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Mirel is already running in another session of yours (another login or another display). It can run only once at a time for you: close it there, then start Mirel again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mirel is already running but does not answer. Close it, or end it in the task manager, then start Mirel again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SupportReport</name>
    <message>
        <source>Save a support report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Support report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The report could not be saved in %1: %2</source>
        <translation></translation>
    </message>
</context>
</TS>
