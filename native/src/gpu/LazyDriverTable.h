#pragma once
// A driver table built once per process, on first need, from a library
// loaded at run time, with the test seams both driver bindings offer. The
// library is never unloaded.

#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "gpu/DriverLibrary.h"

namespace kv::gpu {

// Sets `field` to export `name` of `library` (null when missing); true when
// it was found.
template <class Fn>
bool ResolveDriverEntry(void* library, const char* name, Fn& field) {
    field = reinterpret_cast<Fn>(FindDriverSymbol(library, name));
    return field != nullptr;
}

// Expands a driver list, X(name, ...), inside a resolver whose locals are
// `library`, `table` and `found`: every entry is looked up, and `found`
// turns false when one is missing.
#define KV_RESOLVE_DRIVER_ENTRY(name, ...) found = ResolveDriverEntry(library, #name, table.name) && found;

// `Table` has a `usable` flag and one field per entry point.
template <class Table>
class LazyDriverTable {
public:
    // Fills every entry point of `table` from `library`; true when all were
    // found.
    using Resolve = bool (*)(void* library, Table& table);

    LazyDriverTable(const wchar_t* libraryName, Resolve resolve)
        : defaultName_(libraryName), resolve_(resolve), holder_(std::make_unique<Holder>(libraryName)) {}

    // Thread-safe. A failing call_once throws; from this noexcept function
    // that ends the process, which is the only sane outcome when one-time
    // setup is broken.
    const Table& Get() noexcept {
        Holder& holder = *holder_;
        std::call_once(holder.once, [this, &holder] { Build(holder); });
        return holder.table;
    }

    // Test seams; not thread-safe, and must not race with renders. Reset
    // forgets the table so that the next Get() builds it again, from
    // `libraryName` when one is given (nullptr: the real library). Install
    // makes `table` the built table without touching any library.
    void Reset(const wchar_t* libraryName) {
        holder_ = std::make_unique<Holder>(libraryName != nullptr ? libraryName : defaultName_);
    }
    void Install(const Table& table) {
        auto fresh = std::make_unique<Holder>(defaultName_);
        fresh->table = table;
        std::call_once(fresh->once, [] {});
        holder_ = std::move(fresh);
    }

private:
    // The once-flag lives beside the table so that a test reset can start
    // over with a fresh flag; outside tests the holder is made once and kept.
    struct Holder {
        explicit Holder(std::wstring name) : libraryName(std::move(name)) {}
        std::once_flag once;
        Table table;
        std::wstring libraryName;
    };

    void Build(Holder& holder) {
        void* library = LoadDriverLibrary(holder.libraryName.c_str());
        if (library != nullptr) {
            holder.table.usable = resolve_(library, holder.table);
        }
    }

    const wchar_t* defaultName_;
    Resolve resolve_;
    std::unique_ptr<Holder> holder_;
};

}  // namespace kv::gpu
