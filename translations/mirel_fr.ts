<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en">
<context>
    <name>BrowserPage</name>
    <message>
        <source>Don&apos;t let this page show more dialogs</source>
        <translation>Empêcher cette page d&apos;afficher d&apos;autres boîtes de dialogue</translation>
    </message>
</context>
<context>
    <name>BrowserWindow</name>
    <message numerus="yes">
        <source>%n download(s) still in progress. Quit anyway?</source>
        <translation>
            <numerusform>%n téléchargement est encore en cours. Quitter quand même ?</numerusform>
            <numerusform>%n téléchargements sont encore en cours. Quitter quand même ?</numerusform>
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
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Show in folder</source>
        <translation>Afficher dans le dossier</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>%1 — %2 of %3 (%4 %)</source>
        <translation>%1 — %2 sur %3 (%4 %)</translation>
    </message>
    <message>
        <source>%1 — saved (%2)</source>
        <translation>%1 — enregistré (%2)</translation>
    </message>
    <message>
        <source>Opened %1</source>
        <translation>%1 ouvert</translation>
    </message>
    <message>
        <source>Sent %1 to the printer</source>
        <translation>%1 envoyé à l’imprimante</translation>
    </message>
    <message>
        <source>%1 — failed: %2</source>
        <translation>%1 — échec : %2</translation>
    </message>
    <message>
        <source>%1 — cancelled</source>
        <translation>%1 — annulé</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>Ouverture de %1…</translation>
    </message>
    <message>
        <source>Printing %1…</source>
        <translation>Impression de %1…</translation>
    </message>
</context>
<context>
    <name>FindBar</name>
    <message>
        <source>Find in page</source>
        <translation>Rechercher dans la page</translation>
    </message>
    <message>
        <source>Previous match (Shift+F3)</source>
        <translation>Occurrence précédente (Maj+F3)</translation>
    </message>
    <message>
        <source>Next match (F3)</source>
        <translation>Occurrence suivante (F3)</translation>
    </message>
    <message>
        <source>Close the find bar (Escape)</source>
        <translation>Fermer la barre de recherche (Échap)</translation>
    </message>
    <message>
        <source>No matches</source>
        <translation>Aucune occurrence</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 sur %2</translation>
    </message>
</context>
<context>
    <name>LoadFailurePage</name>
    <message>
        <source>the certificate was issued for another name than the server&apos;s</source>
        <translation>le certificat a été délivré pour un autre nom que celui du serveur</translation>
    </message>
    <message>
        <source>the certificate has expired, or is not valid yet</source>
        <translation>le certificat a expiré ou n&apos;est pas encore valide</translation>
    </message>
    <message>
        <source>the certificate was issued by an authority that this computer does not know (an unknown issuer, or a self-signed certificate)</source>
        <translation>le certificat a été délivré par une autorité que cet ordinateur ne connaît pas (un émetteur inconnu, ou un certificat auto-signé)</translation>
    </message>
    <message>
        <source>the certificate was revoked by its issuer</source>
        <translation>le certificat a été révoqué par son émetteur</translation>
    </message>
    <message>
        <source>the certificate is signed with an algorithm that is no longer safe</source>
        <translation>le certificat est signé avec un algorithme qui n&apos;est plus sûr</translation>
    </message>
    <message>
        <source>the certificate&apos;s key is too weak</source>
        <translation>la clé du certificat est trop faible</translation>
    </message>
    <message>
        <source>the certificate names a server that its issuer may not certify</source>
        <translation>le certificat nomme un serveur que son émetteur n&apos;a pas le droit de certifier</translation>
    </message>
    <message>
        <source>the certificate is valid for too long a time</source>
        <translation>la durée de validité du certificat est trop longue</translation>
    </message>
    <message>
        <source>the certificate was issued for a name that is not unique</source>
        <translation>le certificat a été délivré pour un nom qui n&apos;est pas unique</translation>
    </message>
    <message>
        <source>the certificate is not valid</source>
        <translation>le certificat n&apos;est pas valide</translation>
    </message>
    <message>
        <source>The server&apos;s administrator installs a certificate issued for &lt;code&gt;%1&lt;/code&gt;, or the address is changed to the name the certificate was issued for.</source>
        <translation>L&apos;administrateur du serveur installe un certificat délivré pour &lt;code&gt;%1&lt;/code&gt;, ou l&apos;adresse est remplacée par le nom pour lequel le certificat a été délivré.</translation>
    </message>
    <message>
        <source>Check that this computer&apos;s date and time are right; if they are, the server&apos;s administrator renews the certificate.</source>
        <translation>Vérifiez que la date et l&apos;heure de cet ordinateur sont justes&#xa0;; si elles le sont, l&apos;administrateur du serveur renouvelle le certificat.</translation>
    </message>
    <message>
        <source>The server&apos;s administrator replaces the certificate.</source>
        <translation>L&apos;administrateur du serveur remplace le certificat.</translation>
    </message>
    <message>
        <source>Trying again in %1 s.</source>
        <translation>Nouvel essai dans %1&#xa0;s.</translation>
    </message>
    <message>
        <source>Check the network connection.</source>
        <translation>Vérifiez la connexion au réseau.</translation>
    </message>
    <message>
        <source>Page not available</source>
        <translation>Page indisponible</translation>
    </message>
    <message>
        <source>The page could not be loaded</source>
        <translation>La page n&apos;a pas pu être chargée</translation>
    </message>
    <message>
        <source>Mirel refused the connection, so nothing of the page was loaded.</source>
        <translation>Mirel a refusé la connexion&#xa0;: rien de la page n&apos;a été chargé.</translation>
    </message>
    <message>
        <source>Server not trusted</source>
        <translation>Serveur non approuvé</translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not trusted</source>
        <translation>Le certificat du serveur n&apos;est pas approuvé</translation>
    </message>
    <message>
        <source>&lt;p&gt;Source: the &lt;code&gt;Server&lt;/code&gt; setting in &lt;code&gt;%1&lt;/code&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;Source : le réglage &lt;code&gt;Server&lt;/code&gt; dans &lt;code&gt;%1&lt;/code&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Source: the built-in start page&lt;/p&gt;</source>
        <translation>&lt;p&gt;Source : la page de démarrage intégrée&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;This build names no server: set one with the &lt;code&gt;Server&lt;/code&gt; key in &lt;code&gt;%1&lt;/code&gt;, or build Mirel with &lt;code&gt;-DMIREL_START_HOST=&lt;i&gt;your-host&lt;/i&gt;&lt;/code&gt;.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Cette version ne nomme aucun serveur : indiquez-en un avec la clé &lt;code&gt;Server&lt;/code&gt; dans &lt;code&gt;%1&lt;/code&gt;, ou construisez Mirel avec &lt;code&gt;-DMIREL_START_HOST=&lt;i&gt;votre-hôte&lt;/i&gt;&lt;/code&gt;.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse :</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Reason:</source>
        <translation>Raison :</translation>
    </message>
    <message>
        <source>If the certificate comes from your organization&apos;s own certificate authority, an administrator installs that authority&apos;s certificate in the Windows certificate store, under &lt;i&gt;Trusted Root Certification Authorities&lt;/i&gt; of the local computer (&lt;code&gt;certlm.msc&lt;/code&gt;, or &lt;code&gt;certutil -addstore Root ca.crt&lt;/code&gt; from an administrator&apos;s command prompt). Mirel checks a server&apos;s certificate once per run: then restart Mirel.</source>
        <translation>Si le certificat vient de l&apos;autorité de certification de votre organisation, un administrateur installe le certificat de cette autorité dans le magasin de certificats de Windows, sous &lt;i&gt;Autorités de certification racines de confiance&lt;/i&gt; de l&apos;ordinateur local (&lt;code&gt;certlm.msc&lt;/code&gt;, ou &lt;code&gt;certutil -addstore Root ca.crt&lt;/code&gt; depuis une invite de commandes d&apos;administrateur). Mirel vérifie le certificat d&apos;un serveur une fois par exécution : redémarrez ensuite Mirel.</translation>
    </message>
    <message>
        <source>If the certificate comes from your organization&apos;s own certificate authority, an administrator installs that authority&apos;s certificate (&lt;code&gt;ca.crt&lt;/code&gt; below) in the NSS certificate database of the user who runs Mirel, &lt;code&gt;%1&lt;/code&gt;, with these commands run as that user (certutil comes with the package libnss3-tools):</source>
        <translation>Si le certificat vient de l&apos;autorité de certification de votre organisation, un administrateur installe le certificat de cette autorité (&lt;code&gt;ca.crt&lt;/code&gt; ci-dessous) dans la base de certificats NSS de l&apos;utilisateur qui lance Mirel, &lt;code&gt;%1&lt;/code&gt;, avec ces commandes lancées sous le compte de cet utilisateur (certutil est fourni par le paquet libnss3-tools) :</translation>
    </message>
    <message>
        <source>Mirel checks a server&apos;s certificate once per run: then restart Mirel.</source>
        <translation>Mirel vérifie le certificat d&apos;un serveur une fois par exécution : redémarrez ensuite Mirel.</translation>
    </message>
    <message>
        <source>The server did not answer: it may be down, or its name unknown. If this goes on, tell the administrator of &lt;code&gt;%1&lt;/code&gt;, the server that the &lt;code&gt;Server&lt;/code&gt; setting above names.</source>
        <translation>Le serveur n&apos;a pas répondu : il est peut-être arrêté, ou son nom est inconnu. Si cela dure, prévenez l&apos;administrateur de &lt;code&gt;%1&lt;/code&gt;, le serveur que nomme le réglage &lt;code&gt;Server&lt;/code&gt; ci-dessus.</translation>
    </message>
    <message>
        <source>The server did not answer: it may be down, or its name unknown. If this goes on, tell the administrator of &lt;code&gt;%1&lt;/code&gt;.</source>
        <translation>Le serveur n&apos;a pas répondu : il est peut-être arrêté, ou son nom est inconnu. Si cela dure, prévenez l&apos;administrateur de &lt;code&gt;%1&lt;/code&gt;.</translation>
    </message>
    <message>
        <source>Restart Mirel</source>
        <translation>Redémarrer Mirel</translation>
    </message>
</context>
<context>
    <name>SignInDialog</name>
    <message>
        <source>Sign in</source>
        <translation>Se connecter</translation>
    </message>
    <message>
        <source>The proxy %1 asks you to sign in before it lets Mirel reach %2.</source>
        <translation>Le proxy %1 vous demande de vous connecter avant de laisser Mirel atteindre %2.</translation>
    </message>
    <message>
        <source>The server %1 asks you to sign in.</source>
        <translation>Le serveur %1 vous demande de vous connecter.</translation>
    </message>
    <message>
        <source>The user name or password was not accepted. Please try again.</source>
        <translation>Le nom d&apos;utilisateur ou le mot de passe n&apos;a pas été accepté. Veuillez réessayer.</translation>
    </message>
    <message>
        <source>Realm:</source>
        <translation>Domaine&#xa0;:</translation>
    </message>
    <message>
        <source>User name:</source>
        <translation>Nom d&apos;utilisateur&#xa0;:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Mot de passe&#xa0;:</translation>
    </message>
</context>
<context>
    <name>SingleInstance</name>
    <message>
        <source>Mirel is already running in another session of yours (another login or another display). It can run only once at a time for you: close it there, then start Mirel again.</source>
        <translation>Mirel est déjà lancé dans une autre de vos sessions (une autre connexion ou un autre écran). Il ne peut être lancé qu&apos;une fois à la fois pour vous : fermez-le là-bas, puis relancez Mirel.</translation>
    </message>
    <message>
        <source>Mirel is already running but does not answer. Close it, or end it in the task manager, then start Mirel again.</source>
        <translation>Mirel est déjà lancé mais ne répond pas. Fermez-le, ou arrêtez-le dans le gestionnaire des tâches, puis relancez Mirel.</translation>
    </message>
</context>
<context>
    <name>SupportReport</name>
    <message>
        <source>Save a support report</source>
        <translation>Enregistrer un rapport pour l&apos;assistance</translation>
    </message>
    <message>
        <source>Text files (*.txt)</source>
        <translation>Fichiers texte (*.txt)</translation>
    </message>
    <message>
        <source>Support report</source>
        <translation>Rapport pour l&apos;assistance</translation>
    </message>
    <message>
        <source>The report could not be saved in %1: %2</source>
        <translation>Le rapport n&apos;a pas pu être enregistré dans %1&#xa0;: %2</translation>
    </message>
</context>
</TS>
