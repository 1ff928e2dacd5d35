#include "widgets/LabelText.h"

LabelTextFormat ChooseLabelFormat(LabelAlign align, bool centerImage, std::string_view text) {
  LabelTextFormat f;
  if (centerImage) {
    f.horizontal = LabelTextFormat::kCenter;
    f.wordBreak = false;
    if (text.find("\r\n") == std::string_view::npos) {
      f.verticalCenter = true;
      f.singleLine = true;
    }
    return f;
  }
  switch (align) {
    case LabelAlign::Center:
      f.horizontal = LabelTextFormat::kCenter;
      break;
    case LabelAlign::Right:
      f.horizontal = LabelTextFormat::kRight;
      break;
    case LabelAlign::LeftNoWrap:
      f.wordBreak = false;
      break;
    case LabelAlign::Left:
      break;
  }
  f.expandTabs = text.find('\t') != std::string_view::npos;
  return f;
}

namespace {

std::string ExpandTabs(std::string_view line) {
  std::string out;
  for (char c : line) {
    if (c == '\t') {
      out.append(8 - out.size() % 8, ' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void WrapParagraph(const std::string& para, int maxWidth,
                   const std::function<int(std::string_view)>& measure,
                   std::vector<std::string>& lines) {
  std::string line;
  std::size_t pos = 0;
  while (pos <= para.size()) {
    std::size_t blank = para.find(' ', pos);
    if (blank == std::string::npos) blank = para.size();
    const std::string word = para.substr(pos, blank - pos);
    const std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && measure(candidate) > maxWidth) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
    pos = blank + 1;
  }
  lines.push_back(line);
}

}  // namespace

std::vector<std::string> LayoutLabelLines(std::string_view text, const LabelTextFormat& format,
                                          int maxWidth,
                                          const std::function<int(std::string_view)>& measure) {
  std::vector<std::string> lines;
  if (format.singleLine) {
    std::string one;
    for (char c : text) {
      if (c != '\r' && c != '\n') one.push_back(c);
    }
    lines.push_back(format.expandTabs ? ExpandTabs(one) : one);
    return lines;
  }
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view raw = text.substr(pos, nl - pos);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    const std::string para = format.expandTabs ? ExpandTabs(raw) : std::string(raw);
    if (format.wordBreak && maxWidth > 0) {
      WrapParagraph(para, maxWidth, measure, lines);
    } else {
      lines.push_back(para);
    }
    pos = nl + 1;
  }
  return lines;
}

std::string StripMnemonics(std::string_view caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out.push_back('&');
        ++i;
      }
      continue;
    }
    out.push_back(caption[i]);
  }
  return out;
}
