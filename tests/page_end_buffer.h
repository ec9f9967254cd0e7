// A byte buffer whose last byte is the last byte of a mapped page, followed
// by a page that may not be touched: any read or write past the end faults.
#ifndef TAV_TEST_PAGE_END_BUFFER_H
#define TAV_TEST_PAGE_END_BUFFER_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tavtest {

class PageEndBuffer {
public:
    explicit PageEndBuffer(size_t size, uint8_t fill = 0xCD) : size_(size) {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t usable = (size + page - 1) / page * page;
        mapped_ = usable + page;
        void* base = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            base_ = nullptr;
            return;
        }
        base_ = static_cast<uint8_t*>(base);
        mprotect(base_ + usable, page, PROT_NONE);
        data_ = base_ + usable - size;
        std::memset(data_, fill, size);
    }
    ~PageEndBuffer() {
        if (base_) munmap(base_, mapped_);
    }
    PageEndBuffer(const PageEndBuffer&) = delete;
    PageEndBuffer& operator=(const PageEndBuffer&) = delete;

    bool ok() const { return base_ != nullptr; }
    uint8_t* data() { return data_; }
    uint16_t* words() { return reinterpret_cast<uint16_t*>(data_); }
    size_t size() const { return size_; }
    std::vector<uint8_t> contents() const { return std::vector<uint8_t>(data_, data_ + size_); }
    void fill(const void* bytes) { std::memcpy(data_, bytes, size_); }

private:
    size_t size_;
    size_t mapped_ = 0;
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
};

}  // namespace tavtest

#endif
