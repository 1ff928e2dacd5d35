#include "unreferenced/HtmlDrawer.h"

CPPHtmlDrawer::CPPHtmlDrawer(const HtmlSystemColors& systemColors) {
  InitTags();
  InitEntities();
  InitColorNames(systemColors);
  SetTagsForNewLine(true);
  SetDefaultCssStyles();
  SetEnabled(true);
  SetDisabledColor(systemColors[kSysBtnShadow]);
}

void CPPHtmlDrawer::AddTag(std::u16string_view name, int id, std::u16string_view styleName) {
  m_Tags[std::u16string(name)] = {id, std::u16string(styleName)};
}

void CPPHtmlDrawer::AddEntity(std::u16string_view name, std::u16string_view replacement) {
  m_Entities[std::u16string(name)] = std::u16string(replacement);
}

void CPPHtmlDrawer::AddColorName(std::u16string_view name, ColorRef colour) {
  m_ColorNames[std::u16string(name)] = colour;
}

void CPPHtmlDrawer::InitTags() {
  for (const HtmlTagRow& row : kHtmlTags) AddTag(row.name, row.id, row.styleName);
}

void CPPHtmlDrawer::InitEntities() {
  for (const HtmlEntityRow& row : kHtmlEntities) AddEntity(row.entity, row.replacement);
}

void CPPHtmlDrawer::InitColorNames(const HtmlSystemColors& systemColors) {
  for (const HtmlColorRow& row : kHtmlNamedColors) AddColorName(row.name, row.colour);
  for (const HtmlSystemColorName& row : kHtmlSystemColorNames)
    AddColorName(row.name, systemColors[row.index]);
}
