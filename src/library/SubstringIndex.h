#pragma once

#include "library/GramTable.h"

#include <QSet>
#include <QString>
#include <QStringView>
#include <vector>

// Answers "does this text occur, case-sensitively, inside any of the lines added so far?" with
// exactly the answer of a plain search through every line, but without reading every line.
//
// A needle without "/" can only occur inside one of a line's "/"-separated segments, and the
// lines of a library share most of theirs (the folders), so the index holds each distinct
// segment once. Segments are indexed by grams of k UTF-16 units, but not all of them: of every
// run of w consecutive grams only the one of smallest rank is kept (a "minimizer"; ties go to
// the leftmost). Which gram a run keeps depends on the run's text alone, so a needle of at least
// w + k - 1 units, which covers at least one whole run, computes the same kept grams for its own
// runs, and every one of them is in the index under each segment that holds the needle. The
// needle's rarest kept gram, with the positions where it is kept, names every place where the
// needle could start; each is confirmed by comparing the text there (a hash collision only adds
// a candidate, never loses one).
//
// Long needles use 8-unit grams (hashed to 64 bits); shorter ones a second table of exact
// 4-unit grams, built the first time such a needle is asked for. The shortest needles, and
// needles that contain "/", are searched plainly through the lines.
class SubstringIndex {
public:
    static constexpr int kLongGram = 8;
    static constexpr int kLongRun = 4;
    static constexpr int kShortGram = 4;
    static constexpr int kShortRun = 2;
    // The shortest needles each table can answer.
    static constexpr int kLongNeedle = kLongGram + kLongRun - 1;
    static constexpr int kShortNeedle = kShortGram + kShortRun - 1;

    SubstringIndex();
    ~SubstringIndex();
    SubstringIndex(const SubstringIndex &) = delete;
    SubstringIndex &operator=(const SubstringIndex &) = delete;

    // Adds a line; the line is kept (shared, not copied) to confirm candidates.
    void add(const QString &line);
    qsizetype size() const { return qsizetype(m_lines.size()); }
    const QString &line(qsizetype at) const { return m_lines[size_t(at)]; }

    // The indexed search. An empty needle occurs in any line, so it is found once there is one.
    bool contains(QStringView needle) const;
    // The same question answered by reading every line in order; the reference for contains().
    bool containsPlain(QStringView needle) const;

    qsizetype segmentCount() const { return qsizetype(m_segments.size()); }
    qsizetype memoryBytes() const;

private:
    // Points into a line of m_lines, whose QString keeps the text alive and unmoved.
    struct Segment {
        const char16_t *text;
        qint32 length;
    };
    struct Kept {
        quint64 key;
        qint32 position;
    };
    struct Grams {
        GramTable table;
        int gram;
        int run;
        quint64 (*key)(const char16_t *);
    };

    void addSegment(QStringView text);
    void indexSegment(qint32 id, Grams &grams) const;
    bool search(const Grams &grams, QStringView needle) const;
    // The kept grams of `text`, each once, into m_kept (m_keys and m_ranks are scratch).
    void keptGrams(QStringView text, const Grams &grams) const;
    static quint64 longKey(const char16_t *at);
    static quint64 shortKey(const char16_t *at);
    // A bijective scramble (splitmix64's finalizer), so that the kept grams are not simply the
    // lowest text. It must not resemble GramTable's slot function: kept grams are the ones of
    // smallest rank, and a rank that tracked the slot would pile them all into one end of the
    // table.
    static quint64 rank(quint64 key) {
        key = (key ^ (key >> 30)) * 0xBF58476D1CE4E5B9ull;
        key = (key ^ (key >> 27)) * 0x94D049BB133111EBull;
        return key ^ (key >> 31);
    }

    std::vector<QString> m_lines;
    std::vector<Segment> m_segments;
    // Segments between the first and the last "/" that have been indexed, and the whole span of
    // the previous line's, which a run of files from one folder repeats.
    QSet<QStringView> m_folderSegments;
    QStringView m_previousMiddle;
    // The short table is filled only once a short needle has been asked for, so a library of
    // long names never pays for it.
    mutable Grams m_long{GramTable(), kLongGram, kLongRun, &longKey};
    mutable Grams m_short{GramTable(), kShortGram, kShortRun, &shortKey};
    mutable bool m_shortBuilt = false;
    mutable std::vector<quint64> m_keys;
    mutable std::vector<quint64> m_ranks;
    mutable std::vector<Kept> m_kept;
};
