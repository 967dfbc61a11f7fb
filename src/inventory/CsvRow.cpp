#include "inventory/CsvRow.h"

namespace qeb {
namespace {

class CsvRowSplitter {
public:
    // False when the text ends inside a quote.
    bool Split(const std::wstring& text) {
        for (const wchar_t c : text) {
            if (c == L'"') {
                m_bInQuotes = !m_bInQuotes;
            }
            if (m_bInQuotes) {
                TakeQuoted(c);
            } else {
                TakeUnquoted(c);
            }
        }
        if (m_bInQuotes) {
            return false;
        }
        if (!m_vecRow.empty() || !m_strField.empty()) {
            EndRow();
        }
        return true;
    }

    const std::vector<std::wstring>& FirstRow() const { return m_vecFirstRow; }

private:
    void TakeQuoted(wchar_t c) {
        // The opening quote of a field is no part of it; any later one is, which turns a
        // doubled quote into one.
        if (c != L'"' || !m_bFieldStart) {
            m_strField += c;
        }
        m_bFieldStart = false;
    }

    void TakeUnquoted(wchar_t c) {
        if (c == L',') {
            EndField();
        } else if (c == L'\n') {
            EndRow();
        } else {
            if (c != L'"' && c != L'\r') {
                m_strField += c;
            }
            m_bFieldStart = false;
        }
    }

    void EndField() {
        m_vecRow.push_back(std::move(m_strField));
        m_strField.clear();
        m_bFieldStart = true;
    }

    void EndRow() {
        EndField();
        if (!m_bHaveFirstRow) {
            m_vecFirstRow = std::move(m_vecRow);
            m_bHaveFirstRow = true;
        }
        m_vecRow.clear();
    }

    bool m_bInQuotes = false;
    bool m_bFieldStart = true;
    bool m_bHaveFirstRow = false;
    std::wstring m_strField;
    std::vector<std::wstring> m_vecRow;
    std::vector<std::wstring> m_vecFirstRow;
};

}  // namespace

void SplitCsvRow(const std::wstring& text, std::vector<std::wstring>& fields) {
    fields.clear();
    CsvRowSplitter splitter;
    if (splitter.Split(text)) {
        fields = splitter.FirstRow();
    }
}

}  // namespace qeb
