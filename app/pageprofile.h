#pragma once

#include <QString>

#include <memory>

class QWebEngineProfile;

// Where a remembering profile keeps its data: lasting cookies and local storage under the user's
// data folder, the HTTP cache under the user's cache folder, each in "Quenza/Mirel/profile".
struct PageProfileFolders
{
    QString storage;
    QString cache;
};

PageProfileFolders pageProfileFolders();

// The profile of every page the shell shows; it must outlive them all. Remembering, it keeps
// cookies that carry an expiry, local storage and the HTTP cache on disk for the next start;
// session cookies still end with the program. Otherwise nothing outlives the run.
std::unique_ptr<QWebEngineProfile> createPageProfile(bool remember);
