// SPDX-License-Identifier: MIT
#include "FakeFileManager.h"

void FakeFileManager::ShowItems(const QStringList& uris, const QString&)
{
    shownItems.append(uris);
}

// Opening a folder is not revealing the installer: recorded nowhere, so a test sees the difference.
void FakeFileManager::ShowFolders(const QStringList&, const QString&) {}
