// What a click on a link button does with the link's text, without any window: the fixed texts
// that run the program's own commands, the maker's two mail addresses, and any other text handed
// to the desktop, with a mail to that text when the desktop cannot open it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The maker's fixed mail addresses (the about box shows them).
inline constexpr std::string_view kSupportAddress = "support@softdovrane.example";
inline constexpr std::string_view kSalesAddress = "sales@softdovrane.example";
// The control id of the one link whose "Email" text mails the local address to support.
inline constexpr int kEmailLinkId = 1004;

// The program's commands behind the "Contact Us" and "Contents" texts (the about box and the help
// page). The application installs them at start-up; without them those texts do nothing.
struct LinkCommands {
  std::function<void()> contactUs;
  std::function<void()> contents;
};
void SetLinkCommands(LinkCommands commands);

struct LinkClickContext {
  int controlId = 0;
  std::string prefix;             // put before any other text for the desktop
  bool hasParent = true;          // a link without a parent never falls back to mail
  std::string* ipText = nullptr;  // the link's remembered local address (kept between clicks)
  std::function<std::string()> readLocalIp;  // the system's address; "" when there is none
};

// Acts on the text of a clicked link; returns true when the link is to be shown as visited. A
// link stays unvisited only when the desktop could neither open the text nor start a mail.
bool RunLinkClick(std::string_view linkText, const LinkClickContext& context);

// "mailto:" with To and Cc and optional subject and body, each part percent-encoded.
std::string MailtoAddress(std::string_view to, std::string_view cc, std::string_view subject,
                          std::string_view body);
// The first count characters (code points) of a UTF-8 text.
std::string FirstCharacters(std::string_view utf8, size_t count);
