#include "widgets/LinkClick.h"

#include <mutex>

#include "platform/ShellLauncher.h"

namespace {

std::mutex g_CommandsMutex;
LinkCommands& Commands() {
  static LinkCommands commands;
  return commands;
}

void RunCommand(std::function<void()> LinkCommands::*which) {
  std::function<void()> command;
  {
    std::lock_guard lock(g_CommandsMutex);
    command = Commands().*which;
  }
  if (command) command();
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::string Encode(std::string_view text, std::string_view keep) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (IsUnreserved(c) || keep.find(static_cast<char>(c)) != std::string_view::npos) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

}  // namespace

void SetLinkCommands(LinkCommands commands) {
  std::lock_guard lock(g_CommandsMutex);
  Commands() = std::move(commands);
}

std::string MailtoAddress(std::string_view to, std::string_view cc, std::string_view subject,
                          std::string_view body) {
  std::string address = "mailto:" + Encode(to, "@+");
  char separator = '?';
  auto field = [&](std::string_view name, std::string_view value, std::string_view keep) {
    if (value.empty()) return;
    address += separator;
    address += name;
    address += '=';
    address += Encode(value, keep);
    separator = '&';
  };
  field("cc", cc, "@+");
  field("subject", subject, "");
  field("body", body, "");
  return address;
}

std::string FirstCharacters(std::string_view utf8, size_t count) {
  size_t end = 0;
  size_t seen = 0;
  while (end < utf8.size()) {
    if ((static_cast<unsigned char>(utf8[end]) & 0xC0) != 0x80) {
      if (seen == count) break;
      ++seen;
    }
    ++end;
  }
  return std::string(utf8.substr(0, end));
}

bool RunLinkClick(std::string_view linkText, const LinkClickContext& context) {
  if (linkText == "Contact Us") {
    RunCommand(&LinkCommands::contactUs);
    return true;
  }
  if (linkText == "Contents") {
    RunCommand(&LinkCommands::contents);
    return true;
  }
  if (linkText == kSupportAddress || linkText == kSalesAddress) {
    Launcher().OpenAddress(MailtoAddress(linkText, "", "", ""));
    return true;
  }
  const std::string address = context.prefix + std::string(linkText);
  if (Launcher().OpenAddress(address) || !context.hasParent) return true;

  // The desktop could not open the text: offer a mail to it instead.
  if (context.readLocalIp && context.ipText) {
    std::string ip = context.readLocalIp();
    if (!ip.empty()) *context.ipText = std::move(ip);
  }
  const std::string ip = context.ipText ? *context.ipText : std::string();
  if (linkText == "Email") {
    if (context.controlId != kEmailLinkId) return true;
    return Launcher().OpenAddress(MailtoAddress(
        kSupportAddress, kSupportAddress, "IP Address : " + ip, "My Current IP Address : " + ip));
  }
  const std::string recipient = FirstCharacters(linkText, 32);
  return Launcher().OpenAddress(MailtoAddress(recipient, recipient, "", ""));
}
