#pragma once

#include <cstddef>
#include <vector>

namespace platform {

// Memory for the value slots of objects read from the store. A library of a hundred thousand tasks
// is read in one go and kept until its context goes: carving the slots from a few large blocks, one
// object after another, spares an allocation per object and the page faults of a scattered heap. The
// blocks are given back all at once, when no object lives in them any more.
class SlotArena final {
public:
    SlotArena() = default;
    ~SlotArena();
    SlotArena(const SlotArena&) = delete;
    SlotArena& operator=(const SlotArena&) = delete;

    // `bytes` of memory aligned for any slot type, valid until release().
    void* allocate(std::size_t bytes);
    // Frees every block; nothing allocated from them may be used afterwards.
    void release();

private:
    void p_addBlock(std::size_t atLeast);

    std::vector<void*> m_blocks;
    char* m_next = nullptr;
    std::size_t m_left = 0;
    std::size_t m_nextBlockSize = 0;
};

}  // namespace platform
