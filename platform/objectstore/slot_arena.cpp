#include "platform/objectstore/slot_arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace platform {

namespace {

constexpr std::size_t kAlignment = alignof(std::max_align_t);
constexpr std::size_t kFirstBlock = std::size_t(256) << 10;
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLargestBlock = std::size_t(16) << 20;

std::size_t roundedUp(std::size_t bytes, std::size_t step) {
    return (bytes + step - 1) / step * step;
}

}  // namespace

SlotArena::~SlotArena() {
    release();
}

void* SlotArena::allocate(std::size_t bytes) {
    bytes = roundedUp(std::max<std::size_t>(bytes, 1), kAlignment);
    if (bytes > m_left) p_addBlock(bytes);
    void* memory = m_next;
    m_next += bytes;
    m_left -= bytes;
    return memory;
}

void SlotArena::release() {
    for (void* block : m_blocks) std::free(block);
    m_blocks.clear();
    m_next = nullptr;
    m_left = 0;
    m_nextBlockSize = 0;
}

void SlotArena::p_addBlock(std::size_t atLeast) {
    m_nextBlockSize = m_nextBlockSize == 0 ? kFirstBlock : std::min(m_nextBlockSize * 2, kLargestBlock);
    std::size_t size = std::max(m_nextBlockSize, atLeast);
    // Blocks of whole huge pages, where the system lends them, fault in a few times instead of once
    // every few objects.
    const bool huge = size >= kHugePage;
    size = roundedUp(size, huge ? kHugePage : kAlignment);
    void* block = std::aligned_alloc(huge ? kHugePage : kAlignment, size);
    if (!block) throw std::bad_alloc();
    if (huge) (void)madvise(block, size, MADV_HUGEPAGE);
    m_blocks.push_back(block);
    m_next = static_cast<char*>(block);
    m_left = size;
}

}  // namespace platform
