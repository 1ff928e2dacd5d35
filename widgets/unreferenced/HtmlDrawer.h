// The markup drawer: a small HTML-like language with a subset of CSS. It knows its entities,
// tags, colour names and style sheet, keeps a stack of styles while it reads, and lays the
// markup out through a text measurer into a display list that a device context replays.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/unreferenced/HtmlResources.h"
#include "widgets/unreferenced/HtmlStyle.h"
#include "widgets/unreferenced/HtmlValueParser.h"
#include "widgets/unreferenced/HtmlVocabulary.h"

struct HtmlTagEntry {
  int id = 0;
  std::u16string styleName;
};

class CPPHtmlDrawer : public HtmlValueParser {
 public:
  // The system colours are copied: later changes are not seen by this drawer.
  explicit CPPHtmlDrawer(const HtmlSystemColors& systemColors = ClassicSystemColors());
  virtual ~CPPHtmlDrawer() = default;

  // The tag's id, 0 when unknown (styleName then unchanged). A leading "/" is removed from tag
  // and sets closing.
  int LookupTag(std::u16string& tag, std::u16string& styleName, bool& closing) const;

  // Replaces the whole style sheet; nullptr restores the default one.
  void ParseStyleSheet(const std::u16string* text);
  void SetDefaultCssStyles();
  // The sheet from a string of the resource table (an unknown one empties the sheet).
  void SetCssStylesFromResource(int id, std::u16string_view library);
  void SetCssStyle(std::u16string_view selector, std::u16string_view declarations);
  std::optional<std::u16string> GetCssStyle(std::u16string_view selector) const;
  void ApplyCssStyle(std::u16string_view selector, HtmlStyle& style) const;
  void RemoveCssStyle(std::u16string_view selector);
  const std::u16string& GetStyleSheetText() const { return m_StyleSheetText; }
  void ParseCssDeclarations(std::u16string_view text, HtmlStyle& style) const;

  // Entities replaced, carriage returns removed, newlines and tabs made tags (or removed).
  std::u16string PrepareText(std::u16string text) const;
  void SetTagsForNewLine(bool on) { m_TagsForNewLine = on; }

  // Pushes the current style (opening tag) or pops the entry of the same name (closing tag;
  // false when the top entry has another name). A restore always empties the current name.
  bool StoreRestoreStyle(bool restore);
  HtmlStyle& CurrentStyle() { return m_Style; }
  std::size_t StyleDepth() const { return m_StyleStack.size(); }

  // A string of the program (library empty) or of a named library; empty when unknown.
  std::u16string LoadResourceString(int id, std::u16string_view library) const;
  // One line of a string resource (lines end at "\n"); empty past the last.
  std::u16string GetResourceStringLine(int id, int line) const;
  // The table markup names resolve through; the caller keeps it alive. nullptr: nothing.
  void SetResources(const HtmlResourceTable* resources) { m_Resources = resources; }

  void SetTextMeasurer(HtmlTextMeasurer* measurer) { m_Measurer = measurer; }

 protected:
  void AddTag(std::u16string_view name, int id, std::u16string_view styleName);
  void AddEntity(std::u16string_view name, std::u16string_view replacement);
  void AddColorName(std::u16string_view name, ColorRef colour);

  HtmlStyle m_Style;
  std::vector<HtmlStyle> m_StyleStack;
  const HtmlResourceTable* m_Resources = nullptr;
  std::u16string m_ResourceLibrary;  // the drawer's own resource library, "" none

 private:
  void InitTags();
  void InitEntities();
  void InitColorNames(const HtmlSystemColors& systemColors);

  std::map<std::u16string, HtmlTagEntry> m_Tags;
  std::map<std::u16string, std::u16string> m_Entities;
  std::map<std::u16string, std::u16string> m_CssStyles;
  std::u16string m_StyleSheetText;
  bool m_TagsForNewLine = true;
};

// ASCII letters lowered; every other character kept.
std::u16string LowerAscii(std::u16string_view text);
