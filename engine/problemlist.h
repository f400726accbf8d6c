#pragma once
// The hidden problem list lvwErrors: one ProblemRow per problem found, each
// with its check box. The main window owns one; the rules add to the list
// of the scan context they are handed.
#include <QString>
#include <QStringList>

#include <vector>

namespace engine {

struct ProblemRow {
    QString MainKey;          // root handle as signed decimal text
    QString KeyName;          // value name, "(Default)" for the unnamed one
    QString KeyValue;         // the file path looked for and not found
    QString RegistryScanners; // section name
    QString FullKeyPath;      // key path under the root
    QString mainkeyname;      // root name, e.g. "HKEY_LOCAL_MACHINE"
    QString DefaultOrNot;     // "Yes" when a bare name was looked up in system32
    bool Checked = true;

    // The seven fields in list order (row text, then sub-items 1..6).
    QStringList fields() const;
    static ProblemRow fromFields(const QStringList& fields);
    bool operator==(const ProblemRow& o) const = default;
};

class ProblemList {
public:
    // Rows are numbered from 1, as the list control numbers them.
    int count() const { return static_cast<int>(m_rows.size()); }
    const ProblemRow& row(int i) const { return m_rows.at(static_cast<size_t>(i - 1)); }
    ProblemRow& row(int i) { return m_rows.at(static_cast<size_t>(i - 1)); }
    void add(const ProblemRow& r)
    {
        m_rows.push_back(r);
        m_ids.push_back(m_nextId++);
    }
    void remove(int i)
    {
        m_rows.erase(m_rows.begin() + (i - 1));
        m_ids.erase(m_ids.begin() + (i - 1));
    }
    void clear()
    {
        m_rows.clear();
        m_ids.clear();
    }
    const std::vector<ProblemRow>& rows() const { return m_rows; }
    // Each row added gets a number no other row of this list had, so work
    // that lets other handlers run can find its rows again wherever they
    // have moved, and tell a row added meanwhile from the one it replaced.
    quint64 id(int i) const { return m_ids.at(static_cast<size_t>(i - 1)); }

private:
    std::vector<ProblemRow> m_rows;
    std::vector<quint64> m_ids;
    quint64 m_nextId = 1;
};

}  // namespace engine
