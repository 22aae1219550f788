#include "gui/CTextEditBuffer.h"

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/CTextEditBuffer.cpp");

namespace {

// The length of the well-formed UTF-8 character starting at text[i], or 1
// for a byte that does not start one.
size_t CharLength(const std::string& text, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (i + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  return length;
}

// Keeps the first line of text, without control characters.
std::string SingleLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte == '\n' || byte == '\r') break;
    if (byte == '\t')
      line += ' ';
    else if (byte >= 0x20 && byte != 0x7F)
      line += c;
  }
  return line;
}

}  // namespace

std::string EncodeUtf8(uint32_t cp) {
  std::string out;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    if (cp >= 0xD800 && cp <= 0xDFFF) return out;
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

uint32_t DecodeUtf8At(const std::string& text, size_t& position) {
  const size_t length = CharLength(text, position);
  const unsigned char lead = static_cast<unsigned char>(text[position]);
  position += length;
  if (length == 1) return lead < 0x80 ? lead : 0xFFFD;
  uint32_t point = lead & (0x7F >> length);
  for (size_t k = position - length + 1; k < position; ++k)
    point = (point << 6) | (static_cast<unsigned char>(text[k]) & 0x3F);
  return point;
}

size_t CTextEditBuffer::BoundaryAtOrBefore(size_t position) const {
  if (position >= m_Text.size()) return m_Text.size();
  size_t boundary = 0;
  for (size_t i = 0; i <= position; i += CharLength(m_Text, i)) boundary = i;
  return boundary;
}

size_t CTextEditBuffer::NextBoundary(size_t position) const {
  if (position >= m_Text.size()) return m_Text.size();
  const size_t boundary = BoundaryAtOrBefore(position);
  return boundary + CharLength(m_Text, boundary);
}

size_t CTextEditBuffer::PreviousBoundary(size_t position) const {
  if (position == 0) return 0;
  return BoundaryAtOrBefore(position - 1);
}

void CTextEditBuffer::SetText(const std::string& text) {
  m_Text.clear();
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharLength(text, i);
    if (m_Text.size() + length > m_nMaxBytes) break;
    m_Text.append(text, i, length);
    i += length;
  }
  SelectAll();
}

std::string CTextEditBuffer::SelectedText() const {
  return m_Text.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void CTextEditBuffer::SelectAll() {
  m_nAnchor = 0;
  m_nCaret = m_Text.size();
}

void CTextEditBuffer::SetCaret(size_t position, bool extend) {
  m_nCaret = BoundaryAtOrBefore(position);
  if (!extend) m_nAnchor = m_nCaret;
}

void CTextEditBuffer::MoveLeft(bool extend) {
  if (!extend && HasSelection()) {
    SetCaret(SelectionStart(), false);
    return;
  }
  SetCaret(PreviousBoundary(m_nCaret), extend);
}

void CTextEditBuffer::MoveRight(bool extend) {
  if (!extend && HasSelection()) {
    SetCaret(SelectionEnd(), false);
    return;
  }
  SetCaret(NextBoundary(m_nCaret), extend);
}

bool CTextEditBuffer::DeleteSelection() {
  if (!HasSelection()) return false;
  const size_t start = SelectionStart();
  m_Text.erase(start, SelectionEnd() - start);
  m_nCaret = m_nAnchor = start;
  return true;
}

bool CTextEditBuffer::Insert(const std::string& text) {
  const std::string line = SingleLine(text);
  bool changed = DeleteSelection();
  std::string fitting;
  for (size_t i = 0; i < line.size();) {
    const size_t length = CharLength(line, i);
    if (m_Text.size() + fitting.size() + length > m_nMaxBytes) break;
    fitting.append(line, i, length);
    i += length;
  }
  if (fitting.empty()) return changed;
  m_Text.insert(m_nCaret, fitting);
  m_nCaret += fitting.size();
  m_nAnchor = m_nCaret;
  return true;
}

bool CTextEditBuffer::InsertCodePoint(uint32_t codePoint) {
  const std::string encoded = EncodeUtf8(codePoint);
  if (encoded.empty()) return false;
  return Insert(encoded);
}

bool CTextEditBuffer::Backspace() {
  if (DeleteSelection()) return true;
  if (m_nCaret == 0) return false;
  const size_t start = PreviousBoundary(m_nCaret);
  m_Text.erase(start, m_nCaret - start);
  m_nCaret = m_nAnchor = start;
  return true;
}

bool CTextEditBuffer::Delete() {
  if (DeleteSelection()) return true;
  if (m_nCaret >= m_Text.size()) return false;
  m_Text.erase(m_nCaret, NextBoundary(m_nCaret) - m_nCaret);
  m_nAnchor = m_nCaret;
  return true;
}
