// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The user's documents folder, without a trailing separator; empty when the
// desktop names none or it does not exist.
QString GetDocumentsFolder();
