#pragma once

#include <cstddef>

struct MVNodeClass;

// Where nodes, their parameters and their parameters' sockets live in memory. A generation
// reads a node and a score of its parameters in turn; made one by one on the heap, they land
// wherever the heap has room (after a document was closed, megabytes apart), and every read
// waits for memory of its own. While a Block is open on a thread, the objects of these classes
// made on it (their class operator new calls allocate) are placed one after another in one
// block of memory, so that a node and its parameters lie together in construction order.
//
// Every object carries a small header that says whether it lies in a block; a block is freed
// when its last object is (objects may be freed in any order, on any thread, and may outlive
// their node). Outside a block, and once a block is full, objects come from the heap as before.
class MVNodeStorage {
public:
  // Opens a block for the objects that the current thread makes until it closes: the size of
  // the block is what the last block opened for `nodeClass` held (the first one of a class
  // guesses and learns). Blocks do not nest: an inner one places nothing and learns nothing.
  class Block {
  public:
    explicit Block(const MVNodeClass& nodeClass);
    ~Block();
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

  private:
    const MVNodeClass* nodeClass_;
    bool opened_ = false;
  };

  // For class operator new and delete. `bytes` of storage aligned as operator new's; never
  // nullptr (throws std::bad_alloc as operator new does). deallocate(nullptr) does nothing.
  static void* allocate(std::size_t bytes);
  static void deallocate(void* object) noexcept;
};

