#pragma once

#include <QString>

// Finds Data.mdb (beside the program, the configured path, or by asking), sets
// AttachmentPath() and makes the attachment folder.
QString LocateDataBase();

// The attachment folder, ending in a separator; empty until LocateDataBase has run.
QString AttachmentPath();
void SetAttachmentPath(const QString &path);

// The path first offered when no catalogue can be found.
QString DefaultNetworkDataBasePath();
