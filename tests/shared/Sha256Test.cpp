#include "shared/Sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace hivetidy {
namespace {

// The standard's own examples catch a wrong round constant, word order or padding (the second is
// the one whose padding needs a block of its own); a weak digest would let a planted backup pass.
TEST(Sha256, GivesTheStandardsDigestsAndTheSameWhenFedPieceByPiece)
{
    EXPECT_EQ(Sha256Of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Sha256Of(twoBlocks), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Of(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    Sha256 pieces;
    for (const char c : twoBlocks) {
        pieces.Update(std::string(1, c));
    }
    EXPECT_EQ(pieces.HexDigest(), Sha256Of(twoBlocks));
    pieces.Update("x"); // a digest taken leaves the sum open
    EXPECT_EQ(pieces.HexDigest(), Sha256Of(twoBlocks + "x"));
}

} // namespace
} // namespace hivetidy
