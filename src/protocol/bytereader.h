#pragma once
// Reads received bytes front to back. Every fetch first checks what remains; when too few bytes
// remain it fails and leaves the position where it was, so a decoder of untrusted bytes never
// indexes them itself and cannot read past their end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace wire {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data)
        : data_(data)
    {
    }

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return data_.size() - position_; }

    [[nodiscard]] bool Skip(std::size_t count)
    {
        if (count > Remaining())
            return false;
        position_ += count;
        return true;
    }

    // Moves to the next place where pattern begins.
    [[nodiscard]] bool SkipTo(std::span<const std::uint8_t> pattern)
    {
        const std::span<const std::uint8_t> rest = data_.subspan(position_);
        const auto found = std::search(rest.begin(), rest.end(), pattern.begin(), pattern.end());
        if (found == rest.end())
            return false;
        position_ += static_cast<std::size_t>(found - rest.begin());
        return true;
    }

    [[nodiscard]] bool Peek(std::size_t count, std::span<const std::uint8_t>& out) const
    {
        if (count > Remaining())
            return false;
        out = data_.subspan(position_, count);
        return true;
    }

    [[nodiscard]] bool PeekU8(std::uint8_t& value) const
    {
        std::span<const std::uint8_t> byte;
        if (!Peek(1, byte))
            return false;
        value = byte[0];
        return true;
    }

    // A view of the next count bytes, valid as long as the bytes read are.
    [[nodiscard]] bool FetchSpan(std::size_t count, std::span<const std::uint8_t>& out)
    {
        return Peek(count, out) && Skip(count);
    }

    // Whatever remains, possibly nothing.
    std::span<const std::uint8_t> FetchRest()
    {
        const std::span<const std::uint8_t> rest = data_.subspan(position_);
        position_ = data_.size();
        return rest;
    }

    // Exactly out.size() bytes copied into out.
    [[nodiscard]] bool FetchBytes(std::span<std::uint8_t> out)
    {
        std::span<const std::uint8_t> in;
        if (!FetchSpan(out.size(), in))
            return false;
        std::copy(in.begin(), in.end(), out.begin());
        return true;
    }

    [[nodiscard]] bool FetchU8(std::uint8_t& value) { return PeekU8(value) && Skip(1); }

    [[nodiscard]] bool FetchBe16(std::uint16_t& value)
    {
        std::span<const std::uint8_t> in;
        if (!FetchSpan(2, in))
            return false;
        value = static_cast<std::uint16_t>(in[0] << 8 | in[1]);
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
};

} // namespace wire
