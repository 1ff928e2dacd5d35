// The texts of the about box and the help command: the maker's addresses and notice, and the
// title line with its version.
#pragma once

#include <string>
#include <string_view>

// The web site link shows the host name; its clicks put the scheme in front.
inline constexpr std::string_view kWebsiteCaption = "www.softdovrane.example";
inline constexpr std::string_view kWebsitePrefix = "https://";
inline constexpr std::string_view kWebsiteAddress = "https://www.softdovrane.example";
inline constexpr std::string_view kHelpPageAddress =
    "https://www.softdovrane.example/data-recovery/merrowind/help";
inline constexpr std::string_view kNoticeLine =
    "Copyright (C) Software Dovrane. All rights reserved.";
inline constexpr std::string_view kAboutCaption = "About Quarvel";

// The title with its first "&" doubled (so that it shows as a character, not as a mnemonic),
// then "\r\n" and the version text.
std::string AboutTitleText(std::string_view title, std::string_view version);
