#pragma once

#include <memory>

class QWebEngineProfile;

// The profile of every page the shell shows; it must outlive them all. Remembering, it keeps
// cookies that carry an expiry and local storage in "Quenza/Mirel/profile" under the user's data
// folder, and the HTTP cache in the same under the user's cache folder, for the next start;
// session cookies still end with the program. Otherwise nothing outlives the run.
std::unique_ptr<QWebEngineProfile> createPageProfile(bool remember);
