// MarkModel.h — marked ranges the obvious way, for checking the viewer's mark index: every query
// looks at every mark, and the mark over a byte is the last added one covering it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace test {

class MarkModel {
public:
    // Ids rise with each mark added, as the viewer's do.
    void Add(int64_t id, int64_t start, int64_t length) { marks_.push_back({id, start, length}); }
    bool Remove(int64_t id) {
        const auto it = std::lower_bound(marks_.begin(), marks_.end(), id,
                                         [](const Mark& m, int64_t v) { return m.id < v; });
        if (it == marks_.end() || it->id != id || it->removed)
            return false;
        it->removed = true;
        return true;
    }
    void Clear() { marks_.clear(); }
    int Count() const {
        return static_cast<int>(
            std::count_if(marks_.begin(), marks_.end(), [](const Mark& m) { return !m.removed; }));
    }
    // The id of the last added mark covering pos; 0 for none.
    int64_t At(int64_t pos) const {
        for (auto it = marks_.rbegin(); it != marks_.rend(); ++it)
            if (!it->removed && it->start <= pos && pos - it->start < it->length)
                return it->id;
        return 0;
    }
    // The At of each byte of [start, start + count), found in one pass over the marks.
    std::vector<int64_t> Owners(int64_t start, int count) const {
        std::vector<int64_t> ids(static_cast<size_t>(count), 0);
        for (const Mark& m : marks_) {
            if (m.removed || m.start >= start + count || start - m.start >= m.length)
                continue;
            const int64_t from = std::max(m.start, start) - start;
            const int64_t to = std::min<int64_t>(
                count, m.start - start + std::min<int64_t>(m.length, count + start));
            std::fill(ids.begin() + from, ids.begin() + to, m.id);
        }
        return ids;
    }
    // The ids of the marks covering a byte of [start, start + length), in added order.
    std::vector<int64_t> Covering(int64_t start, int64_t length) const {
        std::vector<int64_t> ids;
        for (const Mark& m : marks_)
            if (!m.removed && m.start < start + length && start - m.start < m.length)
                ids.push_back(m.id);
        return ids;
    }
    // A live mark's id picked by r (any number), 0 when there is none.
    int64_t Pick(uint64_t r) const {
        if (marks_.empty())
            return 0;
        const Mark& m = marks_[r % marks_.size()];
        return m.removed ? 0 : m.id;
    }
    int64_t StartOf(int64_t id) const {
        const auto it = std::lower_bound(marks_.begin(), marks_.end(), id,
                                         [](const Mark& m, int64_t v) { return m.id < v; });
        return it == marks_.end() ? 0 : it->start;
    }

private:
    struct Mark {
        int64_t id = 0, start = 0, length = 0;
        bool removed = false;
    };
    std::vector<Mark> marks_;
};

} // namespace test
