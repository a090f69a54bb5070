#pragma once

// The maker's two links, shared by the main window and the about and
// appreciation windows. Neither reports anything.
namespace SupportModule {

// Opens Pictarro's page on the software portal in the web browser.
void OpenProductPage();

// Opens a new mail to Tarnwell Software's support address.
void MailSupport();

} // namespace SupportModule
