<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <location filename="../ui/aboutdialog.ui" line="+26"/>
        <source>IDS_ABOUT_TITLE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+87"/>
        <source>IDS_OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/aboutdialog.cpp" line="+26"/>
        <source>About Lumerith V2...</source>
        <translation>Über Lumerith V2...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Copyright (C) 2026 Lumerith contributors</source>
        <translation>Copyright (C) 2026 Lumerith-Mitwirkende</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>All rights reserved.</source>
        <translation>Alle Rechte vorbehalten.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CloudFolderDialog</name>
    <message>
        <location filename="../cloud/cloudfolderdialog.ui" line="+7"/>
        <location line="+5"/>
        <source>IDS_CLOUD_FOLDER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_CLOUD_FOLDER_REFRESH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+17"/>
        <source>IDS_CLOUD_FOLDER_NEW_FOLDER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/cloudfolderdialog.cpp" line="+98"/>
        <source>Browse For Folder</source>
        <translation>Ordner suchen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>GoogleDrive</source>
        <translation>GoogleDrive</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+31"/>
        <source>OneDrive</source>
        <translation>OneDrive</translation>
    </message>
    <message>
        <location line="-30"/>
        <source>Evernote</source>
        <translation>Evernote</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+31"/>
        <source>Dropbox</source>
        <translation>Dropbox</translation>
    </message>
    <message>
        <location line="-30"/>
        <source>SharePoint Online</source>
        <translation>SharePoint Online</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Make New Folder</source>
        <translation>Neuer Ordner</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>My Drive</source>
        <translation>Meine Ablage</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Notebooks</source>
        <translation>Notizbücher</translation>
    </message>
    <message>
        <location line="+160"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>ConfigDialog</name>
    <message>
        <location filename="../ui/configdialog.ui" line="+26"/>
        <source>IDS_SAVE_SCAN_CONFIGURATION</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+9"/>
        <source>IDS_ENTER_CONFIG_NAME</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+48"/>
        <source>IDS_SAVE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+16"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/configdialog.cpp" line="+19"/>
        <source>Save Scan Configuration</source>
        <translation>Scankonfiguration speichern</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Enter a Name for this Scan Configuration:</source>
        <translation>Name für diese Scankonfiguration:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>Enter the new scan setting name</source>
        <translation>Name der neuen Scaneinstellung</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Please enter the valid scan configuration name.</source>
        <translation>Bitte geben Sie einen gültigen Namen für die Scankonfiguration ein.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Cannot overwrite the default configuration.</source>
        <translation>Die Standardkonfiguration kann nicht überschrieben werden.</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>The scan configuration named &quot;%1&quot; already exists.
Are you sure you want to replace this existing configuration?</source>
        <translation>Die Scankonfiguration &quot;%1&quot; ist bereits vorhanden.
Möchten Sie die vorhandene Konfiguration wirklich ersetzen?</translation>
    </message>
</context>
<context>
    <name>DownloadFolderDialog</name>
    <message>
        <location filename="../cloud/downloadfolderdialog.ui" line="+12"/>
        <source>IDS_GETTING_CLOUD_DATA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+8"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/downloadfolderdialog.cpp" line="+38"/>
        <source>Getting cloud data, please wait.</source>
        <translation>Cloud-Daten werden abgerufen, bitte warten.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>DropboxFolder</name>
    <message>
        <location filename="../cloud/dropbox/dropboxfolder.cpp" line="+126"/>
        <source>Dropbox</source>
        <translation>Dropbox</translation>
    </message>
</context>
<context>
    <name>DropboxLoginDialog</name>
    <message>
        <location filename="../cloud/dropbox/dropboxlogindialog.ui" line="+6"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>IDS_LOGIN_PROMPT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/dropbox/dropboxlogindialog.cpp" line="+17"/>
        <source>Login Dropbox Cloud</source>
        <translation>Bei Dropbox anmelden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please enter your credentials and login to Dropbox online.</source>
        <translation>Bitte geben Sie Ihre Zugangsdaten ein und melden Sie sich online bei Dropbox an.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>EvernoteLoginDialog</name>
    <message>
        <location filename="../cloud/evernote/evernotelogindialog.ui" line="+6"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>IDS_LOGIN_PROMPT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/evernote/evernotelogindialog.cpp" line="+17"/>
        <source>Login Evernote Cloud</source>
        <translation>Bei Evernote anmelden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please enter your credentials and login to Evernote online.</source>
        <translation>Bitte geben Sie Ihre Zugangsdaten ein und melden Sie sich online bei Evernote an.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+91"/>
        <source>Lumerith V2 successfully obtained an Authorization Token to access your Evernote account</source>
        <translation>Lumerith V2 hat erfolgreich ein Autorisierungstoken für den Zugriff auf Ihr Evernote-Konto erhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2 failed to obtain an Authorization Token</source>
        <translation>Lumerith V2 konnte kein Autorisierungstoken erhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
</context>
<context>
    <name>EvernoteManager</name>
    <message>
        <location filename="../cloud/evernote/evernotemanager.cpp" line="+332"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
</context>
<context>
    <name>FolderNameDialog</name>
    <message>
        <location filename="../cloud/foldernamedialog.ui" line="+8"/>
        <location line="+5"/>
        <source>IDS_CLOUD_NEW_FOLDER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+17"/>
        <source>IDS_OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/foldernamedialog.cpp" line="+13"/>
        <source>Folder Name</source>
        <translation>Ordnername</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please input current folder name:</source>
        <translation>Bitte geben Sie den Namen des Ordners ein:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>GoogleLoginDialog</name>
    <message>
        <location filename="../cloud/google/googlelogindialog.ui" line="+6"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>IDS_LOGIN_PROMPT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/google/googlelogindialog.cpp" line="+18"/>
        <source>Login GoogleDrive Cloud</source>
        <translation>Bei GoogleDrive anmelden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please enter your credentials and login to Google online.</source>
        <translation>Bitte geben Sie Ihre Zugangsdaten ein und melden Sie sich online bei Google an.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+85"/>
        <source>Lumerith V2 successfully obtained an Authorization Token to access your Google account</source>
        <translation>Lumerith V2 hat erfolgreich ein Autorisierungstoken für den Zugriff auf Ihr Google-Konto erhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2 failed to obtain an Authorization Token</source>
        <translation>Lumerith V2 konnte kein Autorisierungstoken erhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
</context>
<context>
    <name>HttpServer</name>
    <message>
        <location filename="../cloud/httpserver.cpp" line="+340"/>
        <source>Lumerith V2 successfully obtained an Authorization Token to access your Dropbox account</source>
        <translation>Lumerith V2 hat erfolgreich ein Autorisierungstoken für den Zugriff auf Ihr Dropbox-Konto erhalten</translation>
    </message>
    <message>
        <location line="-10"/>
        <source>Lumerith V2 failed to obtain an Authorization Token</source>
        <translation>Lumerith V2 konnte kein Autorisierungstoken erhalten</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Lumerith V2 successfully obtained an Authorization Token to access your Google account</source>
        <translation>Lumerith V2 hat erfolgreich ein Autorisierungstoken für den Zugriff auf Ihr Google-Konto erhalten</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Lumerith V2 successfully obtained an Authorization Token to access the OneDrive in your account</source>
        <translation>Lumerith V2 hat erfolgreich ein Autorisierungstoken für den Zugriff auf das OneDrive in Ihrem Konto erhalten</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../ui/mainwindow.ui" line="+6"/>
        <source>IDS_APP_TITLE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_SCANNER_SETTINGS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IDS_GENERAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IDS_SCAN_PAGE_FOR</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IDS_SCANNER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_SELECT_MACHINE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_ORIGINAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+3"/>
        <source>IDS_SAVE_AS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_DELETE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_SCAN_CONFIGURATION</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IDS_SCAN_MODE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_RESOLUTION</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_SIZE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+7"/>
        <source>IDS_DUPLEX</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>IDS_STORE_TO_LOCAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <location line="+16"/>
        <source>IDS_IMAGE_OPTION</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-16"/>
        <source>IDS_SCAN_TO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_BROWSE_DOTS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+19"/>
        <source>IDS_FILE_NAME_PREFIX</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-17"/>
        <location line="+19"/>
        <source>IDS_FORMAT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-15"/>
        <source>IDS_STORE_TO_CLOUD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IDS_CLOUD_OPTION</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IDS_CLOUD_SERVICE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_HOST_URL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_LOGIN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_LOGOUT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_CLOUD_FOLDER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <location line="+3"/>
        <source>IDS_BROWSE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="-2"/>
        <source>IDS_ENABLE_STORE_TO_LOCAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+16"/>
        <source>IDS_EXIT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_ABOUT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_PREVIEW</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_CLEAR</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_SCAN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="+77"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
    <message>
        <location line="+125"/>
        <source>Scanner Settings</source>
        <translation>Scannereinstellungen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Store to Local</source>
        <translation>Lokales Ziel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Store to Cloud</source>
        <translation>Cloud-Ziel</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Scan Page For</source>
        <translation>Scanquelle</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Scanner:</source>
        <translation>Scanner:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Select Machine</source>
        <translation>Gerät wählen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Original:</source>
        <translation>Vorlage:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Save As</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Scan Configuration</source>
        <translation>Scankonfiguration</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Scn. Mode:</source>
        <translation>Modus:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Resolution:</source>
        <translation>Auflösung:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Duplex</source>
        <translation>Duplex</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+10"/>
        <source>Image Option</source>
        <translation>Bildoptionen</translation>
    </message>
    <message>
        <location line="-9"/>
        <source>Scan To:</source>
        <translation>Zielordner:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Browse...</source>
        <translation>Wählen...</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+12"/>
        <source>File Name Prefix:</source>
        <translation>Dateinamenpräfix:</translation>
    </message>
    <message>
        <location line="-11"/>
        <location line="+12"/>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <location line="-11"/>
        <source>Cloud Option</source>
        <translation>Cloud-Optionen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cloud Service:</source>
        <translation>Dienst:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Host URL: (e.g. %1)</source>
        <translation>Host-URL: (z. B. %1)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Login</source>
        <translation>Anmelden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Logout</source>
        <translation>Abmelden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Cloud Folder:</source>
        <translation>Cloud-Ordner:</translation>
    </message>
    <message>
        <location line="+1"/>
        <location line="+2"/>
        <source>Browse</source>
        <translation>Wählen</translation>
    </message>
    <message>
        <location line="-1"/>
        <source>Enable Store to Local Disk</source>
        <translation>Lokale Kopie speichern</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>About...</source>
        <translation>Über...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Scan</source>
        <translation>Scannen</translation>
    </message>
    <message>
        <location line="+203"/>
        <location line="+69"/>
        <location filename="../ui/mainwindow_general.cpp" line="+279"/>
        <location line="+73"/>
        <location line="+11"/>
        <location filename="../ui/mainwindow_jobs.cpp" line="+194"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <location line="-15"/>
        <source>Select a Folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>The current operation is not completed. Are you sure you want to cancel the current task?</source>
        <translation>Der aktuelle Vorgang ist noch nicht abgeschlossen. Möchten Sie ihn wirklich abbrechen?</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow_cloud.cpp" line="+39"/>
        <source>GoogleDrive</source>
        <translation>GoogleDrive</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>OneDrive</source>
        <translation>OneDrive</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Evernote</source>
        <translation>Evernote</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Dropbox</source>
        <translation>Dropbox</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>SharePoint Online</source>
        <translation>SharePoint Online</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>TIFF (Single Page)</source>
        <translation>TIFF (Einzelseite)</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>PDF (Image)</source>
        <translation>PDF (Bild)</translation>
    </message>
</context>
<context>
    <name>OneDriveLoginDialog</name>
    <message>
        <location filename="../cloud/onedrive/onedrivelogindialog.ui" line="+6"/>
        <source>Dialog</source>
        <translation>Dialog</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>IDS_LOGIN_PROMPT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/onedrive/onedrivelogindialog.cpp" line="+18"/>
        <source>Login OneDrive Cloud</source>
        <translation>Bei OneDrive anmelden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please enter your credentials and login to OneDrive online.</source>
        <translation>Bitte geben Sie Ihre Zugangsdaten ein und melden Sie sich online bei OneDrive an.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+85"/>
        <source>Lumerith V2 successfully obtained an Authorization Token to access the OneDrive in your account</source>
        <translation>Lumerith V2 hat erfolgreich ein Autorisierungstoken für den Zugriff auf das OneDrive in Ihrem Konto erhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2 failed to obtain an Authorization Token</source>
        <translation>Lumerith V2 konnte kein Autorisierungstoken erhalten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Lumerith V2</source>
        <translation>Lumerith V2</translation>
    </message>
</context>
<context>
    <name>PaperSizeList</name>
    <message>
        <location filename="../ui/papersizelist.cpp" line="+19"/>
        <source>3 x 5</source>
        <translation>3 x 5</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>4 x 6</source>
        <translation>4 x 6</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>5 x 7</source>
        <translation>5 x 7</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Letter (8.5&quot; x 11&quot;)</source>
        <translation>Letter (8,5&quot; x 11&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Statement (8.5&quot; x 5.5&quot;)</source>
        <translation>Statement (8,5&quot; x 5,5&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A4 (8.27&quot; x 11.69&quot;)</source>
        <translation>A4 (8,27&quot; x 11,69&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A5 (8.27&quot; x 5.83&quot;)</source>
        <translation>A5 (8,27&quot; x 5,83&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>B5 JIS (7.17&quot; x 10.12&quot;)</source>
        <translation>B5 JIS (7,17&quot; x 10,12&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Executive (7.25&quot; x 10.5&quot;)</source>
        <translation>Executive (7,25&quot; x 10,5&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Business Card</source>
        <translation>Visitenkarte</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Legal (8.5&quot; x 14&quot;)</source>
        <translation>Legal (8,5&quot; x 14&quot;)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>User defined</source>
        <translation>Benutzerdefiniert</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <location filename="../scan/progressdialog.ui" line="+21"/>
        <source>IDS_PLEASE_WAIT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+16"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../scan/progressdialog.cpp" line="+22"/>
        <source>Transferring page %1, press &quot;Cancel&quot; to abort scan.</source>
        <translation>Seite %1 wird übertragen. Abbruch mit &quot;Abbrechen&quot;.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../app/errormessage.cpp" line="+38"/>
        <location line="+82"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="-73"/>
        <source>An original(s) has become jammed. Please open the ADF cover and remove it.</source>
        <translation>Vorlagenstau. Bitte öffnen Sie die Abdeckung des Vorlageneinzugs und entfernen Sie die gestaute(n) Vorlage(n).</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>An error occurred while the machine was waking up. Please check the machine and try again.</source>
        <translation>Beim Aufwecken des Geräts ist ein Fehler aufgetreten. Bitte überprüfen Sie das Gerät und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The ADF tray is empty. Please check there is an original in the ADF tray and that it is set correctly.</source>
        <translation>Das Fach des Vorlageneinzugs ist leer. Bitte prüfen Sie, ob eine Vorlage im Fach liegt und richtig eingelegt ist.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cannot find the scanner. Please check the following:
(1) The power cord is attached and the power switch is turned to on.
(2) The USB or network cable is securely attached.</source>
        <translation>Der Scanner wurde nicht gefunden. Bitte prüfen Sie Folgendes:
(1) Das Netzkabel ist angeschlossen und das Gerät ist eingeschaltet.
(2) Das USB- oder Netzwerkkabel ist fest angeschlossen.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The scanner is not ready. Please check the cables and power connections.</source>
        <translation>Der Scanner ist nicht bereit. Bitte prüfen Sie die Kabel und die Stromversorgung.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The machine is busy. Please try again later.</source>
        <translation>Das Gerät ist belegt. Bitte versuchen Sie es später erneut.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to get image data from the device because of a timeout error.</source>
        <translation>Die Bilddaten konnten wegen einer Zeitüberschreitung nicht vom Gerät abgerufen werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please select a machine.</source>
        <translation>Bitte wählen Sie ein Gerät aus.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A parameter setting error has occurred.</source>
        <translation>Beim Einstellen der Parameter ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Usable memory is low. Please close other applications and then try again.</source>
        <translation>Der verfügbare Arbeitsspeicher ist knapp. Bitte schließen Sie andere Anwendungen und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>There is not enough space available on the disk(s) to complete this operation.</source>
        <translation>Auf dem Datenträger ist nicht genügend Speicherplatz frei, um diesen Vorgang abzuschließen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The file path name of the image file is invalid.</source>
        <translation>Der Dateipfad der Bilddatei ist ungültig.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to save. The maximum number of pages for the one scan operation is 999 pages.</source>
        <translation>Speichern fehlgeschlagen. Ein Scanvorgang kann höchstens 999 Seiten umfassen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to save the image file.</source>
        <translation>Die Bilddatei konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The specified path or file name, or both, is too long. Please use a shorter file name, or select a destination folder which has a shorter path name.</source>
        <translation>Der angegebene Pfad oder Dateiname (oder beides) ist zu lang. Bitte verwenden Sie einen kürzeren Dateinamen oder wählen Sie einen Zielordner mit einem kürzeren Pfad.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to turn on the machine.</source>
        <translation>Das Gerät konnte nicht eingeschaltet werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>User authentication failed.</source>
        <translation>Die Benutzerauthentifizierung ist fehlgeschlagen.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>A network exception occurred, the current operation will be terminated.</source>
        <translation>Es ist ein Netzwerkfehler aufgetreten. Der aktuelle Vorgang wird beendet.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Folder creation failed.</source>
        <translation>Der Ordner konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Refresh folder error.</source>
        <translation>Fehler beim Aktualisieren des Ordners.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please select a note.</source>
        <translation>Bitte wählen Sie eine Notiz aus.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Invalid URI: The format of the URI could not be determined.</source>
        <translation>Ungültiger URI: Das Format des URI konnte nicht bestimmt werden.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>There was an error in the network or cloud service that can not be solved with this application. The operation is stopped.
If you want to save the file to the local disk, please enable &apos;Save to Local Disk&apos; the next time you operate.</source>
        <translation>Im Netzwerk oder beim Cloud-Dienst ist ein Fehler aufgetreten, der mit dieser Anwendung nicht behoben werden kann. Der Vorgang wurde beendet.
Wenn Sie die Datei auf dem lokalen Datenträger speichern möchten, aktivieren Sie beim nächsten Mal &apos;Lokale Kopie speichern&apos;.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Upload file error.</source>
        <translation>Fehler beim Hochladen der Datei.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Since the capacity of the cloud storage is not available, the operation is stopped. If you want to save the file to the local disk, please enable &apos;Save to Local Disk&apos; the next time you operate.</source>
        <translation>Der Vorgang wurde beendet, da im Cloud-Speicher kein Speicherplatz verfügbar ist. Wenn Sie die Datei auf dem lokalen Datenträger speichern möchten, aktivieren Sie beim nächsten Mal &apos;Lokale Kopie speichern&apos;.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to retrieve subfolders.</source>
        <translation>Die Unterordner konnten nicht abgerufen werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Server was unable to process request. Access is denied.</source>
        <translation>Der Server konnte die Anfrage nicht verarbeiten. Der Zugriff wurde verweigert.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to save the image file to the specified path.</source>
        <translation>Die Bilddatei konnte nicht im angegebenen Pfad gespeichert werden.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Upload file error. The note you are currently working on has just put you over your monthly upload limit.</source>
        <translation>Fehler beim Hochladen der Datei. Mit der aktuellen Notiz haben Sie Ihr monatliches Upload-Limit überschritten.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Upload file error. Your note has reached the maximum size limit.</source>
        <translation>Fehler beim Hochladen der Datei. Ihre Notiz hat die maximale Größe erreicht.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>An error has occurred.</source>
        <translation>Es ist ein Fehler aufgetreten.</translation>
    </message>
    <message>
        <location line="+41"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <location filename="../ui/mainwindow.cpp" line="-457"/>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>TIFF (Single Page)</source>
        <translation>TIFF (Einzelseite)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>PDF (Image)</source>
        <translation>PDF (Bild)</translation>
    </message>
</context>
<context>
    <name>ResolutionList</name>
    <message>
        <location filename="../ui/resolutionlist.cpp" line="+13"/>
        <source>100dpi</source>
        <translation>100 dpi</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>200dpi</source>
        <translation>200 dpi</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>300dpi</source>
        <translation>300 dpi</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>600dpi</source>
        <translation>600 dpi</translation>
    </message>
</context>
<context>
    <name>ScanArea</name>
    <message>
        <location filename="../ui/scanarea.cpp" line="+107"/>
        <source>The value is out of the range. Please enter a value from %1 to %2 inch.</source>
        <translation>Der Wert liegt außerhalb des zulässigen Bereichs. Bitte geben Sie einen Wert von %1 bis %2 Zoll ein.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The value is out of the range. Please enter a value from %1 to %2 cm.</source>
        <translation>Der Wert liegt außerhalb des zulässigen Bereichs. Bitte geben Sie einen Wert von %1 bis %2 cm ein.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The value is out of the range. Please enter a value from %1 to %2 pixel.</source>
        <translation>Der Wert liegt außerhalb des zulässigen Bereichs. Bitte geben Sie einen Wert von %1 bis %2 Pixel ein.</translation>
    </message>
</context>
<context>
    <name>ScanConfigurationFlows</name>
    <message>
        <location filename="../ui/scanconfigflows.cpp" line="+35"/>
        <source>Cannot save over 32 scan configurations.
To save a new configuration please delete an existing one.</source>
        <translation>Es können nicht mehr als 32 Scankonfigurationen gespeichert werden.
Um eine neue Konfiguration zu speichern, löschen Sie bitte eine vorhandene.</translation>
    </message>
    <message>
        <location line="+38"/>
        <source>Are you sure you want to delete the scan configuration named &quot;%1&quot; ?</source>
        <translation>Möchten Sie die Scankonfiguration &quot;%1&quot; wirklich löschen?</translation>
    </message>
</context>
<context>
    <name>ScanConfigurationStore</name>
    <message>
        <location filename="../ui/scanconfigurationstore.cpp" line="+88"/>
        <source>Editing Text (OCR)</source>
        <translation>Textbearbeitung (OCR)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Faxing, Filing, or Copying</source>
        <translation>Faxen, Archivieren oder Kopieren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Black and White Photo</source>
        <translation>Schwarzweißfoto</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Color Document-Faster</source>
        <translation>Farbdokument - schneller</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Color Document-Better Quality</source>
        <translation>Farbdokument - bessere Qualität</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>ADF-Faster</source>
        <translation>ADF - schneller</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ADF-Better</source>
        <translation>ADF - besser</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>ADF-Gray</source>
        <translation>ADF - Graustufen</translation>
    </message>
    <message>
        <location line="+11"/>
        <location line="+1"/>
        <source>Custom...</source>
        <translation>Benutzerdefiniert...</translation>
    </message>
</context>
<context>
    <name>ScanSettings</name>
    <message>
        <location filename="../ui/scansettings.cpp" line="+16"/>
        <source>Exposure Glass</source>
        <translation>Vorlagenglas</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Automatic Document Feeder</source>
        <translation>Automatischer Vorlageneinzug</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Full Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Grayscale</source>
        <translation>Graustufen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Black and White</source>
        <translation>Schwarzweiß</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>inches</source>
        <translation>Zoll</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>cm</source>
        <translation>cm</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>pixels</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>2Sd. Portrait: Top to Top</source>
        <translation>Hochformat: Oben an Oben</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>2Sd. Portrait: Top to Bottom</source>
        <translation>Hochformat: Oben an Unten</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>2Sd. Landscape: Top to Top</source>
        <translation>Querformat: Oben an Oben</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>2Sd. Landscape: Top to Bottom</source>
        <translation>Querformat: Oben an Unten</translation>
    </message>
</context>
<context>
    <name>SearchScannerDialog</name>
    <message>
        <location filename="../scan/searchscannerdialog.ui" line="+6"/>
        <source>IDS_SEARCH_NETWORK_SCANNER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+5"/>
        <source>IDS_UPDATE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../scan/searchscannerdialog.cpp" line="+50"/>
        <source>Search Network Scanner</source>
        <translation>Netzwerkscanner suchen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Machine Name</source>
        <translation>Gerätename</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>IP Address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <location line="+105"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Please select a machine.</source>
        <translation>Bitte wählen Sie ein Gerät aus.</translation>
    </message>
</context>
<context>
    <name>SelectDeviceDialog</name>
    <message>
        <location filename="../scan/selectdevicedialog.ui" line="+6"/>
        <source>IDS_SCANNER_DRIVER_SELECTION</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_SELECT_SCANNER_DRIVER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_IP_ADDRESS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+4"/>
        <source>IDS_SEARCH_NETWORK_SCANNER</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+2"/>
        <source>IDS_OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../scan/selectdevicedialog.cpp" line="+20"/>
        <source>Scanner Driver Selection</source>
        <translation>Auswahl des Scannertreibers</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Please select a scanner driver:</source>
        <translation>Bitte wählen Sie einen Scannertreiber aus:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>IP Address:</source>
        <translation>IP-Adresse:</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Search Network Scanner</source>
        <translation>Netzwerkscanner suchen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>Connect Scanner</source>
        <translation>Scanner verbinden</translation>
    </message>
    <message>
        <location line="+60"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>The entered IP address is invalid.</source>
        <translation>Die eingegebene IP-Adresse ist ungültig.</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Failed to connect to the specified machine in the network.</source>
        <translation>Die Verbindung zum angegebenen Gerät im Netzwerk ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>UploadingDialog</name>
    <message>
        <location filename="../cloud/uploadingdialog.ui" line="+35"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../cloud/uploadingdialog.cpp" line="+43"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <location line="+175"/>
        <source>Upload image files to the cloud server. Transfer page %1
File name: %2</source>
        <translation>Bilddateien werden in die Cloud hochgeladen. Übertragung von Seite %1
Dateiname: %2</translation>
    </message>
    <message>
        <location line="+38"/>
        <location line="+22"/>
        <location line="+33"/>
        <location line="+75"/>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <location line="-129"/>
        <source>The &quot;%1&quot; file does not exist, do you want to skip this file?
OK: Skip this file
Cancel: Cancel current job</source>
        <translation>Die Datei &quot;%1&quot; existiert nicht. Möchten Sie diese Datei überspringen?
OK: Datei überspringen
Abbrechen: Aktuellen Auftrag abbrechen</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Uploading the image file failed, do you want to try uploading the file again?
Yes: Upload again
No: Cancel upload</source>
        <translation>Das Hochladen der Bilddatei ist fehlgeschlagen. Möchten Sie die Datei erneut hochladen?
Ja: Erneut hochladen
Nein: Hochladen abbrechen</translation>
    </message>
    <message>
        <location line="+108"/>
        <source>These pages were not uploaded and are kept on this computer:
%1</source>
        <translation>Diese Seiten wurden nicht hochgeladen und bleiben auf diesem Computer:
%1</translation>
    </message>
</context>
<context>
    <name>WakeUpDialog</name>
    <message>
        <location filename="../scan/wakeupdialog.ui" line="+21"/>
        <source>IDS_PLEASE_WAIT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location line="+16"/>
        <source>IDS_CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../scan/wakeupdialog.cpp" line="+16"/>
        <source>The machine is warming up...</source>
        <translation>Das Gerät wärmt sich auf...</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
</TS>
