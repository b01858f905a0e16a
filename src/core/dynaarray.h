#pragma once
// TDynaArray: the one list type of Rostelmark. Records of one type live in a single
// contiguous block that grows and shrinks in steps of `buffersize` records. A cursor
// (`aobj`, `aobjnr`) marks the current record, and every positioning operation also
// publishes the current record into a pointer variable owned by the container's user.
//
// Walk: First(); while (WhileNext()) { ... } visits records 0 … count-1; during the body
// the user's variable points at the visited record and `aobjnr` is its 1-based number.

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

namespace rostelmark {

// Receives the allocation error texts ("Error 1 while trying to allocate …"). The desktop
// program shows them in a message box; the default writes them to stderr.
using AllocErrorHandler = std::function<void(const QString&)>;
void setAllocErrorHandler(AllocErrorHandler handler);
void reportAllocError(const QString& text);
// Last operating-system error code, appended to the text of error 2.
int lastSystemError();

// Test hook: when > 0, the n-th following block allocation fails (1 = the next one).
void failNthAllocationForTest(int n);
bool allocationShouldFail();

// A number no container of this run was given before (see TDynaArray::Identity).
std::uint64_t nextContainerIdentity();

} // namespace rostelmark

template <typename T> class TDynaArray {
public:
    using Record = T;

    TDynaArray() = default;
    explicit TDynaArray(T** typpoi)
        : outeraobj(typpoi)
    {
    }
    ~TDynaArray() { Destroy(); }

    TDynaArray(const TDynaArray&) = delete;
    TDynaArray& operator=(const TDynaArray&) = delete;
    TDynaArray(TDynaArray&& other) noexcept { takeFrom(other); }
    TDynaArray& operator=(TDynaArray&& other) noexcept
    {
        if (this != &other) {
            Destroy();
            takeFrom(other);
        }
        return *this;
    }

    // Releases the block (destroying the records); the cursor ends up empty.
    void Destroy()
    {
        Touch();
        destroyAll();
        std::free(poi);
        poi = nullptr;
        count = 0;
        amemsize = 0;
        aobj = nullptr;
        aobjnr = -1;
    }

    // Positions on record `Index` and returns it. Callers guarantee 0 ≤ Index < count.
    T* GetObject(int Index)
    {
        Touch();
        aobjnr = Index;
        publish(at(Index));
        return aobj;
    }

    // Appends a zeroed (value-initialised) record; nullptr when memory ran out.
    T* Add() { return Emplace(); }

    // Appends a record made from `args` (T(args…)); nullptr when memory ran out.
    template <typename... A> T* Emplace(A&&... args)
    {
        Touch();
        ++count;
        AllocMoreMem();
        if (poi == nullptr || capacityRecords() < count) {
            --count;
            return nullptr;
        }
        T* rec = new (at(static_cast<int>(count) - 1)) T(std::forward<A>(args)...);
        aobjnr = static_cast<int>(count) - 1;
        publish(rec);
        return rec;
    }

    // Inserts a zeroed record at `nr` (0 … count); nullptr and no change outside.
    T* Insert(int nr)
    {
        if (nr < 0 || static_cast<std::uint32_t>(nr) > count)
            return nullptr;
        Touch();
        ++count;
        AllocMoreMem();
        if (poi == nullptr || capacityRecords() < count) {
            --count;
            return nullptr;
        }
        const int last = static_cast<int>(count) - 1;
        if (nr == last) {
            new (at(last)) T{};
        } else {
            new (at(last)) T(std::move(*at(last - 1)));
            for (int i = last - 1; i > nr; --i)
                *at(i) = std::move(*at(i - 1));
            *at(nr) = T{};
        }
        aobjnr = nr;
        publish(at(nr));
        return aobj;
    }

    // Removes record `nr`; afterwards there is no current record.
    void Delete(int nr)
    {
        if (nr < 0 || static_cast<std::int64_t>(nr) > static_cast<std::int64_t>(count) - 1)
            return;
        Touch();
        const int last = static_cast<int>(count) - 1;
        for (int i = nr; i < last; ++i)
            *at(i) = std::move(*at(i + 1));
        at(last)->~T();
        --count;
        AllocLessMem();
        aobjnr = -1;
        publish(nullptr);
    }

    // Swaps two records; afterwards record nr2 is current.
    void Change(int nr1, int nr2)
    {
        if (!valid(nr1) || !valid(nr2))
            return;
        Touch();
        if (nr1 != nr2) {
            T tmp(std::move(*at(nr1)));
            *at(nr1) = std::move(*at(nr2));
            *at(nr2) = std::move(tmp);
        }
        aobjnr = nr2;
        publish(at(nr2));
    }

    void Clear()
    {
        Destroy();
        publish(nullptr);
    }

    void First()
    {
        Touch();
        if (count == 0)
            return;
        aobjnr = 0;
        publish(at(0));
    }

    bool Next()
    {
        if (count > 0 && aobjnr >= -1 && aobjnr < static_cast<int>(count) - 1) {
            Touch();
            ++aobjnr;
            publish(at(aobjnr));
            return true;
        }
        return false;
    }

    bool WhileNext()
    {
        if (count > 0 && aobjnr >= 0 && aobjnr <= static_cast<int>(count) - 1) {
            Touch();
            publish(at(aobjnr));
            ++aobjnr;
            return true;
        }
        return false;
    }

    // Growth step after `count` was increased; true when a new block was allocated.
    bool AllocMoreMem()
    {
        const std::uint32_t needed = neededBytes();
        if (needed == amemsize)
            return false;
        const bool fresh = (count == 1 || poi == nullptr);
        T* block = allocate(needed);
        if (!block) {
            if (fresh) {
                rostelmark::reportAllocError(
                    QStringLiteral("Error 1 while trying to allocate %1 bytes of RAM. Not enough memory.").arg(needed));
            } else {
                rostelmark::reportAllocError(
                    QStringLiteral("Error 2 while trying to allocate %1 bytes of RAM. Not enough memory.%2")
                        .arg(needed)
                        .arg(rostelmark::lastSystemError()));
            }
            return false;
        }
        if (!fresh)
            relocate(block, static_cast<int>(count) - 1);
        std::free(poi);
        poi = block;
        amemsize = needed;
        return true;
    }

    // Shrink step after `count` was decreased.
    void AllocLessMem()
    {
        if (count == 0) {
            std::free(poi);
            poi = nullptr;
            amemsize = 0;
            return;
        }
        const std::uint32_t needed = neededBytes();
        if (needed == amemsize)
            return;
        T* block = allocate(needed);
        if (!block) {
            // Keeping the larger block is harmless; only the report is required.
            rostelmark::reportAllocError(
                QStringLiteral("Error 3 while trying to allocate %1 bytes of RAM. Not enough memory.").arg(needed));
            return;
        }
        relocate(block, static_cast<int>(count));
        std::free(poi);
        poi = block;
        amemsize = needed;
    }

    // Typed access without moving the cursor (for readers and tests). Writable access
    // counts as a modification (see ModCount).
    T& operator[](int i)
    {
        Touch();
        return *at(i);
    }
    const T& operator[](int i) const { return *at(i); }
    int Count() const { return static_cast<int>(count); }
    T* begin()
    {
        Touch();
        return poi;
    }
    T* end() { return poi ? poi + count : nullptr; }
    const T* begin() const { return poi; }
    const T* end() const { return poi ? poi + count : nullptr; }
    std::uint32_t capacityRecords() const { return amemsize / static_cast<std::uint32_t>(sizeof(T)); }
    void setCursorVariable(T** typpoi) { outeraobj = typpoi; }

    // Changes whenever the records may have changed: every addition, removal, swap, clear,
    // and every hand-out of a writable record pointer (cursor moves, operator[], begin()).
    // Never goes back, also not when another container is moved in. Caches over the
    // records (such as the entry index of a person) compare it to know they are current.
    std::uint64_t ModCount() const { return modcount; }
    void Touch() { ++modcount; }
    // Which container this is: a number given at construction and again whenever another
    // container's records are moved in. With ModCount it names one state of one container,
    // so a cache kept apart from the records never takes a newly loaded container (whose
    // block may sit where an old one was) for one it has seen.
    std::uint64_t Identity() const { return identity; }

    // Fields under their documented names.
    T** outeraobj = nullptr;
    T* aobj = nullptr;
    T* poi = nullptr;
    std::uint32_t count = 0;
    int aobjnr = -1;
    std::uint32_t amemsize = 0;
    std::uint32_t buffersize = 100; // growth step in records; 0 acts as 1
    const std::uint32_t size = static_cast<std::uint32_t>(sizeof(T));

private:
    std::uint64_t modcount = 0;
    std::uint64_t identity = rostelmark::nextContainerIdentity();

    T* at(int i) const { return poi + i; }
    bool valid(int i) const { return i >= 0 && static_cast<std::uint32_t>(i) < count; }
    void publish(T* rec)
    {
        aobj = rec;
        if (outeraobj)
            *outeraobj = rec;
    }
    // A step below one record (a user may set `buffersize` to 0) counts as one.
    std::uint32_t step() const { return buffersize < 1 ? 1 : buffersize; }
    std::uint32_t neededBytes() const { return step() * ((count - 1) / step() + 1) * size; }
    static T* allocate(std::uint32_t bytes)
    {
        if (rostelmark::allocationShouldFail())
            return nullptr;
        // No zero fill here: every record is value-initialised (all zero) when it is
        // added or inserted, and space beyond `count` is never read.
        return static_cast<T*>(std::malloc(bytes));
    }
    // Moves the first n records into `block` and ends their lives in the old block.
    void relocate(T* block, int n)
    {
        for (int i = 0; i < n; ++i) {
            new (block + i) T(std::move(*at(i)));
            at(i)->~T();
        }
    }
    void destroyAll()
    {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (std::uint32_t i = 0; i < count; ++i)
                at(static_cast<int>(i))->~T();
        }
    }
    void takeFrom(TDynaArray& o)
    {
        modcount = std::max(modcount, o.modcount) + 1;
        o.modcount += 1;
        identity = rostelmark::nextContainerIdentity();
        outeraobj = o.outeraobj;
        aobj = o.aobj;
        poi = o.poi;
        count = o.count;
        aobjnr = o.aobjnr;
        amemsize = o.amemsize;
        buffersize = o.buffersize;
        o.aobj = nullptr;
        o.poi = nullptr;
        o.count = 0;
        o.aobjnr = -1;
        o.amemsize = 0;
    }
};
