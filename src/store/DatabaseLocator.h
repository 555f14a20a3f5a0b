#pragma once

#include <QString>

// Finds the catalogue (Data.mdb beside the program, the configured path or server
// address, or by asking), sets AttachmentPath() and makes the attachment folder. Returns a
// file path or a "postgresql://" address.
QString LocateDataBase();

// The attachment folder, ending in a separator; empty until LocateDataBase has run.
QString AttachmentPath();
void SetAttachmentPath(const QString &path);

// Forgets a location typed at the prompt that could not be saved (tests).
void ForgetUnrememberedDataBase();

// The path first offered when no catalogue can be found.
QString DefaultNetworkDataBasePath();
