#include "gui/CTextEditBuffer.h"

#include "Helpers/Assert.h"

XR_REGISTER_SOURCE_FILE("gui/CTextEditBuffer.cpp");

namespace {

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

size_t CTextEditBuffer::BoundaryAtOrBefore(size_t position) const {
  if (position >= m_Text.size()) return m_Text.size();
  size_t boundary = 0;
  for (size_t i = 0; i <= position; i += Utf8CharLength(m_Text, i)) boundary = i;
  return boundary;
}

size_t CTextEditBuffer::NextBoundary(size_t position) const {
  if (position >= m_Text.size()) return m_Text.size();
  const size_t boundary = BoundaryAtOrBefore(position);
  return boundary + Utf8CharLength(m_Text, boundary);
}

size_t CTextEditBuffer::PreviousBoundary(size_t position) const {
  if (position == 0) return 0;
  return BoundaryAtOrBefore(position - 1);
}

void CTextEditBuffer::SetText(const std::string& text) {
  m_Text.clear();
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8CharLength(text, i);
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
    const size_t length = Utf8CharLength(line, i);
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
