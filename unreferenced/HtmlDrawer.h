// The markup drawer: a small HTML-like language with a subset of CSS. It knows its entities,
// tags, colour names and style sheet, keeps a stack of styles while it reads, and lays the
// markup out through a text measurer into a display list that a device context replays.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "unreferenced/HtmlDisplayList.h"
#include "unreferenced/HtmlResources.h"
#include "unreferenced/HtmlStyle.h"
#include "unreferenced/HtmlTable.h"
#include "unreferenced/HtmlValueParser.h"
#include "unreferenced/HtmlVocabulary.h"

struct HtmlLineInfo {
  int width = 0;   // content width in pixels
  int height = 0;  // largest ascent while measuring, then ascent + descent
  int descent = 0;
  int percent = 0;  // percent widths of the rules on the line
  int align = 0;
  int spaces = 0;
  int wrapped = 0;  // the line ended because text wrapped
};

struct HtmlLinkArea {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int kind = 0;  // 1 address, 2 message
  int link = 0;
  std::u16string target;
};

struct HtmlAnimation {
  int frame = 0;
  int frameCount = 0;
  int tick = 0;
  int ticksPerFrame = 0;
};

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

  // Measuring pass: the size the markup needs (0 by 0 for nothing), plus one each way.
  HtmlExtent PrepareToDraw(HtmlTextMeasurer& measurer, std::u16string_view markup);
  // Drawing pass of the prepared markup into rect; needs the measuring pass before it.
  HtmlDisplayList DrawPrepared(HtmlTextMeasurer& measurer, const HtmlRect& rect);
  HtmlDisplayList Draw(HtmlTextMeasurer& measurer, std::u16string_view markup, int x, int y);

  // 0: no wrapping.
  void SetMaxWidth(int width) { m_MaxWidth = width; }
  void SetTabSize(int size) { m_TabSize = size; }
  // Told the hovered link's number (-2 for none) when it changes; the owner repaints.
  void SetCallbackRepaint(std::function<void(int)> callback) { m_Repaint = std::move(callback); }
  // Told the target of a clicked message link.
  void SetCallbackHyperlink(std::function<void(const std::u16string&)> callback) {
    m_Hyperlink = std::move(callback);
  }
  void SetImageShadow(int offsetX, int offsetY, int darkness, bool gradient, int blurX, int blurY);
  // The strip of cells the ilst tag's bare index draws from; an empty strip releases it.
  void SetImageList(PixelSurface strip, int cellWidth, int cellHeight, int count, ColorRef mask);
  // The library whose ids "iddll" names when the tag names none.
  void SetResourceLibrary(std::u16string_view library) { m_ResourceLibrary = library; }

  // True when the point is on a link with a target (the owner shows the hand cursor).
  bool OnSetCursor(int x, int y);
  void OnLButtonDown(int x, int y);
  // Advances the animations; true when a frame changed.
  bool AnimationTick();
  // Opens http, https and mailto addresses with the desktop's programs; any other is refused.
  static bool OpenUrl(std::u16string_view url);
  int HitTestLink(int x, int y) const;
  const std::vector<HtmlLinkArea>& LinkAreas() const { return m_Links; }
  const std::vector<HtmlLineInfo>& Lines() const { return m_Lines; }
  const std::vector<HtmlAnimation>& Animations() const { return m_Animations; }
  // One per table of the last measuring pass, in document order.
  const std::vector<HtmlTableLayout>& Tables() const { return m_Tables; }
  struct TableSize {
    int columns = 0;
    int rows = 0;
  };
  // Rows of the table (nested tables left out) and the largest sum of colspans of a row.
  TableSize CountTableCells(std::u16string_view table) const;
  int HoveredLink() const { return m_HoverLink; }

 protected:
  void AddTag(std::u16string_view name, int id, std::u16string_view styleName);
  void AddEntity(std::u16string_view name, std::u16string_view replacement);
  void AddColorName(std::u16string_view name, ColorRef colour);

  HtmlStyle m_Style;
  std::vector<HtmlStyle> m_StyleStack;
  const HtmlResourceTable* m_Resources = nullptr;
  std::u16string m_ResourceLibrary;  // the drawer's own resource library, "" none

 private:
  HtmlExtent DrawSegments(const HtmlRect& rect);
  HtmlExtent DrawHtml(std::u16string_view text, const HtmlRect& rect);
  // Text goes to DrawHtml and each table to DrawTable, one below the other.
  HtmlExtent DrawTextAndTables(std::u16string_view text, HtmlRect rect);
  // text runs from the table's opening tag up to its closing one.
  HtmlExtent DrawTable(std::u16string_view text, const HtmlRect& rect);
  void ProcessRow(std::u16string_view text, const HtmlRect& inner, HtmlTableLayout& layout,
                  int row);
  void ProcessCell(std::u16string_view text, const HtmlRect& rect, HtmlTableCell& cell);
  // Opens the style of a table, row or cell from its rule and its tag's attributes.
  void OpenTableStyle(std::u16string_view name, std::u16string_view text, bool isTable,
                      HtmlSpans* spans);
  // Back to the style before OpenTableStyle; depth is the style stack's size before it.
  void CloseTableStyle(std::u16string_view name, std::size_t depth);
  // image: "idres:N", "iddll:N" or "file:path", tiled over rect.
  void DrawCellBackgroundImage(const HtmlRect& rect, std::u16string_view image);
  void AddFill(const HtmlRect& rect, int effect, ColorRef colour, ColorRef middle, ColorRef end);
  void AddFrame(const HtmlRect& rect, ColorRef first, ColorRef second, int style, int width);
  void ApplyOpeningTag(int id, const std::u16string& name, std::u16string_view attributes);
  void DrawRule(std::u16string_view attributes);
  void DrawString(std::u16string_view attributes);
  void DrawImage(int id, std::u16string_view attributes);
  void PlaceText(std::u16string_view text, int width, int height);
  void PlaceImage(HtmlDrawItem item, int width, int height, int space);
  HtmlLineInfo& Line();
  int StartLine(int x);
  void BeginLine();
  void NewLine(int count);
  int VAlignText(int y, int textHeight);
  int VAlignImage(int y, int imageHeight);
  void Tab(int count);
  std::u16string BreakText(std::u16string& text, int remaining);
  void AddLinkArea(int left, int top, int right, int bottom);
  void ActivateLink(int index);
  void SelectStyleFont();
  HtmlExtent Measure(std::u16string_view text);
  void InitTags();
  void InitEntities();
  void InitColorNames(const HtmlSystemColors& systemColors);

  std::map<std::u16string, HtmlTagEntry> m_Tags;
  std::map<std::u16string, std::u16string> m_Entities;
  std::map<std::u16string, std::u16string> m_CssStyles;
  std::u16string m_StyleSheetText;
  bool m_TagsForNewLine = true;

  // Layout state of the pass that runs.
  std::vector<HtmlLineInfo> m_Lines;
  std::vector<HtmlLinkArea> m_Links;
  std::vector<HtmlAnimation> m_Animations;
  std::vector<HtmlTableLayout> m_Tables;
  int m_TableDepth = 0;
  HtmlDisplayList* m_List = nullptr;
  std::u16string m_Text;
  bool m_Measuring = true;
  int m_MaxWidth = 0;
  int m_TabSize = 32;
  int m_LineIndex = 0;
  int m_HoverLink = -2;
  int m_LinkCounter = -1;
  int m_AnimationCounter = -1;
  int m_TableCounter = -1;
  HtmlRect m_Rect;
  int m_Available = 0;
  int m_X = 0;
  int m_Y = 0;
  int m_LineStartX = 0;
  bool m_LineEmpty = true;  // nothing placed on the current line yet
  int m_JustifyExtra = 0;   // pixels still to share among the line's spaces
  int m_JustifySpaces = 0;
  HtmlTextMetrics m_Metrics;
  HtmlExtent m_Size;  // of the DrawHtml call that runs
  std::function<void(int)> m_Repaint;
  std::function<void(const std::u16string&)> m_Hyperlink;
  PixelSurface m_ImageList;
  int m_ImageListCx = 0;
  int m_ImageListCy = 0;
  int m_ImageListCount = 0;
  ColorRef m_ImageListMask = 0;
  int m_ShadowDarkness = 50;
  int m_BlurX = 7;
  int m_BlurY = 7;
  ColorRef m_ShadowColor = 0x00808080;
};

// ASCII letters lowered; every other character kept.
std::u16string LowerAscii(std::u16string_view text);
