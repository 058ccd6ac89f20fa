#include "platform/win32/UniqueResource.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <vector>

namespace hivetidy::win32 {
namespace {

std::vector<int> g_closed;

int CloseFake(int handle)
{
    g_closed.push_back(handle);
    return 1;
}

using UniqueFake = UniqueResource<int, &CloseFake, -1>;

class UniqueResourceTest : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
};

TEST_F(UniqueResourceTest, IsMoveOnlyAndNeverConvertsImplicitly)
{
    static_assert(!std::is_copy_constructible_v<UniqueFake>);
    static_assert(!std::is_copy_assignable_v<UniqueFake>);
    static_assert(std::is_nothrow_move_constructible_v<UniqueFake>);
    static_assert(!std::is_convertible_v<UniqueFake, int>);
    static_assert(!std::is_convertible_v<UniqueFake, bool>);
    static_assert(!std::is_convertible_v<int, UniqueFake>);
    static_assert(!std::is_convertible_v<UniqueHkey, HKEY>);
    static_assert(!std::is_copy_constructible_v<UniqueProcessInformation>);
}

TEST_F(UniqueResourceTest, ClosesItsHandleOnceWhenItGoesAndNeverTheInvalidValue)
{
    {
        UniqueFake empty;
        EXPECT_FALSE(empty);
        UniqueFake owner(7);
        EXPECT_TRUE(owner);
        EXPECT_EQ(owner.get(), 7);
    }
    EXPECT_EQ(g_closed, std::vector<int>{7});
}

TEST_F(UniqueResourceTest, MovingHandsTheHandleOnWithoutClosingIt)
{
    UniqueFake first(3);
    UniqueFake second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), 3);
    UniqueFake third(4);
    third = std::move(second);
    EXPECT_EQ(g_closed, std::vector<int>{4});
    EXPECT_EQ(third.get(), 3);
}

TEST_F(UniqueResourceTest, ReleaseGivesUpAndResetCloses)
{
    UniqueFake owner(5);
    EXPECT_EQ(owner.release(), 5);
    EXPECT_FALSE(owner);
    owner.reset(6);
    owner.reset();
    EXPECT_EQ(g_closed, std::vector<int>{6});
}

TEST_F(UniqueResourceTest, FileHandlesTreatInvalidHandleValueAsEmptyAndNullHandlesNull)
{
    EXPECT_EQ(UniqueFile::Invalid(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(UniqueFile(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(UniqueFindHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(UniqueHandle::Invalid(), nullptr);
    EXPECT_FALSE(UniqueHandle(nullptr));
}

} // namespace
} // namespace hivetidy::win32
