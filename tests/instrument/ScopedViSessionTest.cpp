#include "instrument/ScopedViSession.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records which sessions were closed, in order.
class ClosingLink : public InstrumentLink {
public:
    ViStatus Close(ViObject vi) override {
        closed.push_back(vi);
        return VI_SUCCESS;
    }
    std::vector<ViObject> closed;
};

TEST(ScopedViSessionTest, NothingAdoptedNothingClosed) {
    ClosingLink link;
    {
        ScopedViSession session(link);
        EXPECT_FALSE(session.IsOpen());
        session.Close();
    }
    EXPECT_TRUE(link.closed.empty());
}

TEST(ScopedViSessionTest, ExplicitCloseHappensOnceAndDestructorAddsNothing) {
    ClosingLink link;
    {
        ScopedViSession session(link);
        session.Adopt(7);
        EXPECT_TRUE(session.IsOpen());
        EXPECT_EQ(session.Handle(), 7u);
        session.Close();
        session.Close();
        EXPECT_FALSE(session.IsOpen());
    }
    EXPECT_EQ(link.closed, std::vector<ViObject>{7});
}

TEST(ScopedViSessionTest, DestructorClosesInReverseOfDeclaration) {
    ClosingLink link;
    {
        ScopedViSession rm(link);
        ScopedViSession instr(link);
        rm.Adopt(1);
        instr.Adopt(2);
    }
    EXPECT_EQ(link.closed, (std::vector<ViObject>{2, 1}));
}

TEST(ScopedViSessionTest, AdoptingAgainClosesThePreviousSession) {
    ClosingLink link;
    {
        ScopedViSession session(link);
        session.Adopt(3);
        session.Adopt(4);
        EXPECT_EQ(link.closed, std::vector<ViObject>{3});
    }
    EXPECT_EQ(link.closed, (std::vector<ViObject>{3, 4}));
}

}  // namespace
