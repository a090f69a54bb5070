#pragma once

#include <QString>

namespace Module1 {

// The mail link to the maker's support address: "mailto:" and the address.
QString mailLink();

// Hands the mail link to the desktop, which opens a new message in the
// user's mail program. Nothing is reported when no mail program answers.
void OpenMailLink();

} // namespace Module1
