// SPDX-License-Identifier: MIT
// Each case builds a class tree A -> B -> C with a sibling S of B, rooted at a class A of its own,
// messages every class so that each has its own dispatch table, replaces at one level and checks
// what every class of the tree answers afterwards.
#include "MethodReplacement.h"

#include "MailHostDouble.h"

#include <gtest/gtest.h>

namespace {

using Host = MailHostDouble;

// GCC's libobjc shares dispatch-table buckets between a class and its subclasses until a subclass
// writes into one; then the subclass keeps its copy when the owner's implementation is set. Own
// methods on selectors registered just before and after the others put them into their buckets.
const bool selectorsRegisteredInOrder = [] {
    for (const char* name :
         {"zBefore", "zAnswer", "zOwnAnswer", "zAlias", "zMissing", "zReplacement", "zAfter"})
        sel_registerName(name);
    return true;
}();

template <long value> long answer(id, SEL)
{
    return value;
}

enum class Call { replace, withSelector, withSelectorOfS, chain, registerAs };

// Instances of A answer zAnswer and zOwnAnswer 1, B has its own zOwnAnswer 2 and S its own zAlias 3;
// the replacement (9) is found by inheritance, as in the plug-in. The outcome: what A, B, C and S
// answer to `replaced` ("-" for nothing), what the returned implementation answers, the type
// encoding of C's method, and the assertion that the default handler logged before it raised.
std::string outcome(Call call, char target, const char* replaced, const char* with)
{
    ObjC::Owned pool = Host::autoreleasePool();
    static int trees = 0;
    std::vector<Class> tree;
    for (int parent : {-1, 0, 1, 0})
        tree.push_back(Host::defineClass("Tree" + std::to_string(++trees), parent < 0 ? Nil : tree[parent]));
    Host::implement(tree[0], "zAnswer", "q@:", answer<1>);
    Host::implement(tree[0], "zOwnAnswer", "q@:", answer<1>);
    Host::implement(tree[1], "zOwnAnswer", "q@:", answer<2>);
    Host::implement(tree[3], "zAlias", "q@:", answer<3>);
    Host::implement(tree[0], "zReplacement", "q16@0:8", answer<9>);
    std::vector<id> instances;
    for (Class level : tree) {
        for (const char* neighbour : {"zBefore", "zAfter"})
            Host::implement(level, neighbour, "q@:", answer<0>);
        // A root class of our own declares no isa variable: each instance gets room for its class.
        instances.push_back(class_createInstance(level, sizeof(Class)));
    }
    auto answers = [&](const char* name) {
        std::string result;
        for (id instance : instances)
            result += class_respondsToSelector(object_getClass(instance), sel_registerName(name))
                          ? char('0' + ObjC::send<long()>(instance, name))
                          : '-';
        return result;
    };
    for (const char* name : {"zAnswer", "zOwnAnswer", "zAlias"})
        answers(name);

    Class level = tree[std::string("ABCS").find(target)];
    SEL selector = sel_registerName(replaced), other = sel_registerName(with);
    IMP previous = nullptr;
    std::string result;
    ::testing::internal::CaptureStderr();
    try {
        switch (call) {
        case Call::replace:
            previous =
                ZBReplaceMethodImplementation(level, selector, class_getMethodImplementation(level, other));
            break;
        case Call::withSelector:
            previous = ZBReplaceMethodImplementationWithSelector(level, selector, other);
            break;
        case Call::withSelectorOfS:
            previous = ZBReplaceMethodImplementationWithSelectorOnClass(level, selector, tree[3], other);
            break;
        case Call::chain:
            previous = ZBChainMethodImplementationWithSelector(level, selector, other);
            break;
        case Call::registerAs:
            previous = ZBRegisterInstanceMethodWithSelector(level, other, selector);
        }
    } catch (...) {
        result = " raised";
    }
    const std::string log = ::testing::internal::GetCapturedStderr();
    const size_t assertion = log.find("MethodReplacement.cpp:");
    Method ofC = class_getInstanceMethod(tree[2], selector);
    result = answers(replaced) + " " +
             (previous ? char('0' + ObjC::call<long()>(previous, instances[0], selector)) : '-') + " " +
             (ofC ? method_getTypeEncoding(ofC) : "none") + result;
    if (assertion != std::string::npos) {
        // Which line reported it is the code's layout, not its behaviour: only require one.
        std::string report = log.substr(assertion, log.find('\n', assertion) - assertion);
        const size_t line = std::string("MethodReplacement.cpp:").size();
        const size_t digits = report.find_first_not_of("0123456789", line) - line;
        result += ": " + report.replace(line, digits, digits > 0 ? "N" : "no line");
    }
    for (id instance : instances)
        object_dispose(instance);
    return result;
}

TEST(MethodReplacementTest, changesTheTargetAndItsSubclassesOnly)
{
    EXPECT_EQ(outcome(Call::replace, 'B', "zOwnAnswer", "zReplacement"), "1991 2 q@:");
    EXPECT_EQ(outcome(Call::replace, 'B', "zAnswer", "zReplacement"), "1991 1 q@:");
    EXPECT_EQ(outcome(Call::withSelector, 'A', "zAnswer", "zReplacement"), "9999 1 q@:");
    EXPECT_EQ(outcome(Call::withSelectorOfS, 'B', "zAnswer", "zAlias"), "1331 1 q@:");
    EXPECT_EQ(outcome(Call::chain, 'C', "zAnswer", "zReplacement"), "1191 1 q@:");
    EXPECT_EQ(outcome(Call::replace, 'B', "zMissing", "zReplacement"), "---- - none");
    EXPECT_EQ(outcome(Call::chain, 'B', "zMissing", "zReplacement"), "-99- - q16@0:8");
    EXPECT_EQ(outcome(Call::registerAs, 'C', "zAlias", "zAnswer"), "--13 1 q@:");
    EXPECT_EQ(outcome(Call::registerAs, 'S', "zAlias", "zAnswer"), "---3 1 none");
    EXPECT_EQ(outcome(Call::registerAs, 'C', "zAlias", "zMissing"), "---3 - none");
}

// The default assertion handler logs the function's signature, the file and the line, then raises.
TEST(MethodReplacementTest, aMissingNewSelectorIsReportedToTheAssertionHandlerAndChangesNothing)
{
    const auto reported = [](const char* function) {
        return std::string("1111 - q@: raised: MethodReplacement.cpp:N  Assertion failed in IMP ZB") +
               function + ".  Couldn't get Method for new selector";
    };
    EXPECT_EQ(outcome(Call::withSelector, 'B', "zAnswer", "zMissing"),
              reported("ReplaceMethodImplementationWithSelector(Class, SEL, SEL)"));
    EXPECT_EQ(outcome(Call::withSelectorOfS, 'B', "zAnswer", "zMissing"),
              reported("ReplaceMethodImplementationWithSelectorOnClass(Class, SEL, Class, SEL)"));
    EXPECT_EQ(outcome(Call::chain, 'B', "zAnswer", "zMissing"),
              reported("ChainMethodImplementationWithSelector(Class, SEL, SEL)"));
}

} // namespace
