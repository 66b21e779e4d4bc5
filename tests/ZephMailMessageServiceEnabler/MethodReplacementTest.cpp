// SPDX-License-Identifier: MIT
// Each test builds a tree A -> B -> C with a sibling S of B under A, messages every class so
// that each has its own dispatch table, replaces one level, and checks what every class answers.
#include "MethodReplacement.h"

#include "AutoreleasePool.h"
#include "RuntimeTestSupport.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <vector>

using namespace RuntimeTestSupport;

namespace {

constexpr long answerOfA = 1;
constexpr long answerOfB = 2;
constexpr long replacementAnswer = 9;
constexpr long classAnswerOfA = 100;
constexpr const char* longEncoding = "q@:";

struct AnswersOfTree {
    long a, b, c, sibling;
    bool operator==(const AnswersOfTree&) const = default;
};

void PrintTo(const AnswersOfTree& answers, std::ostream* stream)
{
    *stream << "{A " << answers.a << ", B " << answers.b << ", C " << answers.c << ", S " << answers.sibling
            << "}";
}

long send(id receiver, const char* selectorName)
{
    return ObjC::send<long()>(receiver, selectorName);
}

// GCC's libobjc shares dispatch-table buckets between a class and its subclasses until a subclass
// writes into one; then the subclass keeps its copy when the owner's implementation is set. Own
// methods on the selectors registered just before and after the replaced one put them into its bucket.
const char* const selectorsAroundTreeAnswer[] = {"treeAnswerNeighbourBefore", "treeAnswer",
                                                 "treeAnswerNeighbourAfter"};
const bool selectorsRegisteredInOrder = [] {
    for (const char* name : selectorsAroundTreeAnswer)
        sel_registerName(name);
    return true;
}();

void giveOwnNeighbourMethods(Class ofClass)
{
    for (Class level : {ofClass, metaclassOf(ofClass)}) {
        addMethod(
            level, selectorsAroundTreeAnswer[0], +[](id, SEL) { return 0L; }, longEncoding);
        addMethod(
            level, selectorsAroundTreeAnswer[2], +[](id, SEL) { return 0L; }, longEncoding);
    }
}

class MethodReplacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        defineTree();
        createInstances();
    }

    void defineTree()
    {
        a = defineClass(uniqueName("ReplacementA"), ObjC::classNamed("NSObject"));
        b = defineClass(uniqueName("ReplacementB"), a);
        c = defineClass(uniqueName("ReplacementC"), b);
        sibling = defineClass(uniqueName("ReplacementSibling"), a);
        addMethod(
            a, "treeAnswer", +[](id, SEL) { return answerOfA; }, longEncoding);
        addMethod(
            metaclassOf(a), "treeAnswer", +[](id, SEL) { return classAnswerOfA; }, longEncoding);
        // As in the plug-in, the replacement sits high in the tree and is found by inheritance.
        addMethod(
            a, "replacementValue", +[](id, SEL) { return replacementAnswer; }, "q16@0:8");
        for (Class ofClass : {b, c, sibling})
            giveOwnNeighbourMethods(ofClass);
    }

    void createInstances()
    {
        for (Class ofClass : {a, b, c, sibling})
            instances.push_back(newObject(ofClass));
    }

    void giveBItsOwnValue()
    {
        addMethod(
            b, "treeAnswer", +[](id, SEL) { return answerOfB; }, longEncoding);
    }

    // Messaging every class first builds their dispatch tables, which GCC's libobjc would leave stale.
    AnswersOfTree answers(const char* selectorName = "treeAnswer")
    {
        return {send(instances[0].get(), selectorName), send(instances[1].get(), selectorName),
                send(instances[2].get(), selectorName), send(instances[3].get(), selectorName)};
    }

    AnswersOfTree classAnswers()
    {
        return {send(ObjC::object(a), "treeAnswer"), send(ObjC::object(b), "treeAnswer"),
                send(ObjC::object(c), "treeAnswer"), send(ObjC::object(sibling), "treeAnswer")};
    }

    IMP replacement() { return class_getMethodImplementation(a, sel_registerName("replacementValue")); }

    bool ownsMethod(Class ofClass, const char* selectorName)
    {
        unsigned int count = 0;
        Method* methods = class_copyMethodList(ofClass, &count);
        bool found = false;
        for (unsigned int index = 0; index < count; ++index)
            found = found || sel_isEqual(method_getName(methods[index]), sel_registerName(selectorName));
        free(methods);
        return found;
    }

    AutoreleasePool pool;
    Class a = Nil, b = Nil, c = Nil, sibling = Nil;
    std::vector<ObjC::Owned> instances;
};

// B's own method is in place before any class of the tree builds its dispatch table.
class OwnMethodReplacementTest : public MethodReplacementTest {
protected:
    void SetUp() override
    {
        defineTree();
        giveBItsOwnValue();
        createInstances();
    }
};

TEST_F(OwnMethodReplacementTest, changesTheOwnerAndItsSubclassesOnly)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfB, answerOfB, answerOfA}));

    IMP previous = ZBReplaceMethodImplementation(b, sel_registerName("treeAnswer"), replacement());

    EXPECT_EQ(answers(), (AnswersOfTree{answerOfA, replacementAnswer, replacementAnswer, answerOfA}));
    EXPECT_EQ(ObjC::call<long()>(previous, instances[1].get(), sel_registerName("treeAnswer")), answerOfB);
    EXPECT_EQ(classAnswers(),
              (AnswersOfTree{classAnswerOfA, classAnswerOfA, classAnswerOfA, classAnswerOfA}));
}

TEST_F(MethodReplacementTest, replacingAnInheritedMethodGivesTheClassAnOwnMethod)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));

    IMP previous = ZBReplaceMethodImplementation(b, sel_registerName("treeAnswer"), replacement());

    EXPECT_EQ(answers(), (AnswersOfTree{answerOfA, replacementAnswer, replacementAnswer, answerOfA}));
    EXPECT_EQ(ObjC::call<long()>(previous, instances[1].get(), sel_registerName("treeAnswer")), answerOfA);
    ASSERT_TRUE(ownsMethod(b, "treeAnswer"));
    EXPECT_STREQ(method_getTypeEncoding(class_getInstanceMethod(b, sel_registerName("treeAnswer"))),
                 longEncoding);
}

TEST_F(MethodReplacementTest, replacingOnTheRootOfTheTreeChangesEveryClass)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));

    ZBReplaceMethodImplementationWithSelector(a, sel_registerName("treeAnswer"),
                                              sel_registerName("replacementValue"));

    EXPECT_EQ(answers(),
              (AnswersOfTree{replacementAnswer, replacementAnswer, replacementAnswer, replacementAnswer}));
}

TEST_F(MethodReplacementTest, aRootClassIsReplacedInPlace)
{
    Class root = objc_allocateClassPair(Nil, uniqueName("ReplacementRoot").c_str(), 0);
    objc_registerClassPair(root);
    addMethod(
        root, "treeAnswer", +[](id, SEL) { return answerOfA; }, longEncoding);
    Class leaf = defineClass(uniqueName("ReplacementRootLeaf"), root);
    giveOwnNeighbourMethods(leaf);
    id rootInstance = class_createInstance(root, 0);
    id leafInstance = class_createInstance(leaf, 0);
    ASSERT_EQ(send(leafInstance, "treeAnswer"), answerOfA);

    IMP previous = ZBReplaceMethodImplementation(root, sel_registerName("treeAnswer"), replacement());

    EXPECT_EQ(send(rootInstance, "treeAnswer"), replacementAnswer);
    EXPECT_EQ(send(leafInstance, "treeAnswer"), replacementAnswer);
    EXPECT_EQ(ObjC::call<long()>(previous, rootInstance, sel_registerName("treeAnswer")), answerOfA);
    object_dispose(rootInstance);
    object_dispose(leafInstance);
}

TEST_F(MethodReplacementTest, classMethodsAreReplacedThroughTheMetaclass)
{
    ASSERT_EQ(classAnswers(),
              (AnswersOfTree{classAnswerOfA, classAnswerOfA, classAnswerOfA, classAnswerOfA}));
    addMethod(
        metaclassOf(a), "replacementValue", +[](id, SEL) { return replacementAnswer; }, longEncoding);

    ZBReplaceMethodImplementationWithSelectorOnClass(metaclassOf(b), sel_registerName("treeAnswer"),
                                                     metaclassOf(a), sel_registerName("replacementValue"));

    EXPECT_EQ(classAnswers(),
              (AnswersOfTree{classAnswerOfA, replacementAnswer, replacementAnswer, classAnswerOfA}));
    EXPECT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
}

TEST_F(MethodReplacementTest, aSelectorThatNoClassHasIsReplacedNowhereButChainingAddsIt)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
    EXPECT_EQ(ZBReplaceMethodImplementation(b, sel_registerName("missingTreeAnswer"), replacement()),
              nullptr);
    EXPECT_FALSE(ownsMethod(b, "missingTreeAnswer"));

    IMP previous = ZBChainMethodImplementationWithSelector(b, sel_registerName("missingTreeAnswer"),
                                                           sel_registerName("replacementValue"));

    EXPECT_EQ(previous, nullptr);
    EXPECT_EQ(send(instances[1].get(), "missingTreeAnswer"), replacementAnswer);
    EXPECT_EQ(send(instances[2].get(), "missingTreeAnswer"), replacementAnswer);
    for (id unchanged : {instances[0].get(), instances[3].get()})
        EXPECT_FALSE(
            ObjC::send<BOOL(SEL)>(unchanged, "respondsToSelector:", sel_registerName("missingTreeAnswer")));
    EXPECT_STREQ(method_getTypeEncoding(class_getInstanceMethod(b, sel_registerName("missingTreeAnswer"))),
                 "q16@0:8");
}

TEST_F(MethodReplacementTest, chainingTwiceHandsBackTheFirstReplacement)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
    SEL value = sel_registerName("treeAnswer");
    SEL replacementValue = sel_registerName("replacementValue");

    IMP first = ZBChainMethodImplementationWithSelector(c, value, replacementValue);
    IMP second = ZBChainMethodImplementationWithSelector(c, value, replacementValue);

    EXPECT_EQ(ObjC::call<long()>(first, instances[2].get(), value), answerOfA);
    EXPECT_EQ(second, replacement());
    EXPECT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, replacementAnswer, answerOfA}));
}

TEST_F(MethodReplacementTest, registeringAnAdditionalSelectorKeepsAnOwnMethodAlreadyThere)
{
    SEL value = sel_registerName("treeAnswer");
    EXPECT_EQ(ZBRegisterInstanceMethodWithSelector(b, sel_registerName("missingTreeAnswer"),
                                                   sel_registerName("alias")),
              nullptr);
    EXPECT_FALSE(ownsMethod(b, "alias"));

    IMP registered = ZBRegisterInstanceMethodWithSelector(c, value, sel_registerName("alias"));
    EXPECT_EQ(registered, class_getMethodImplementation(a, value));
    EXPECT_EQ(send(instances[2].get(), "alias"), answerOfA);

    giveBItsOwnValue();
    addMethod(
        sibling, "alias", +[](id, SEL) { return answerOfB; }, longEncoding);
    EXPECT_EQ(ZBRegisterInstanceMethodWithSelector(sibling, value, sel_registerName("alias")), registered);
    EXPECT_EQ(send(instances[3].get(), "alias"), answerOfB);
}

// What the thread's assertion handler was told; the recording handler then raises as the default one does.
struct ReportedFailure {
    std::string function, file, description;
    long line = 0;
};
ReportedFailure reported;
struct AssertionRaised {};

void recordFailure(id, SEL, id function, id file, long line, id format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    ObjC::Owned description(
        ObjC::send<id(id, va_list)>(ObjC::send<id()>(ObjC::classNamed("NSString"), "alloc"),
                                    "initWithFormat:arguments:", format, arguments));
    va_end(arguments);
    reported = {text(function), text(file), text(description.get()), line};
    throw AssertionRaised{};
}

class RecordingAssertionHandler {
public:
    RecordingAssertionHandler()
    {
        static Class handlerClass = makeClass();
        handler_ = newObject(handlerClass);
        ObjC::send<void(id, id)>(threadDictionary(), "setObject:forKey:", handler_.get(), key_.get());
        reported = {};
    }
    ~RecordingAssertionHandler()
    {
        ObjC::send<void(id)>(threadDictionary(), "removeObjectForKey:", key_.get());
    }

private:
    static Class makeClass()
    {
        Class handlerClass = defineClass("RecordingAssertionHandler", ObjC::classNamed("NSAssertionHandler"));
        class_addMethod(
            handlerClass, sel_registerName("handleFailureInFunction:file:lineNumber:description:"),
            reinterpret_cast<IMP>(reinterpret_cast<void (*)()>(recordFailure)), "v48@0:8@16@24q32@40");
        return handlerClass;
    }
    static id threadDictionary()
    {
        return ObjC::send<id()>(ObjC::send<id()>(ObjC::classNamed("NSThread"), "currentThread"),
                                "threadDictionary");
    }

    ObjC::Owned key_ = ObjC::string("NSAssertionHandler");
    ObjC::Owned handler_;
};

struct MissingSelectorCase {
    const char* function;
    long line;
    IMP (*replace)(Class, SEL, SEL);
};

class MissingNewSelectorTest : public MethodReplacementTest,
                               public ::testing::WithParamInterface<MissingSelectorCase> {};

TEST_P(MissingNewSelectorTest, isReportedWithTheFunctionAndChangesNothing)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
    RecordingAssertionHandler handler;

    EXPECT_THROW(GetParam().replace(b, sel_registerName("treeAnswer"), sel_registerName("noSuchReplacement")),
                 AssertionRaised);

    EXPECT_EQ(reported.function, GetParam().function);
    EXPECT_EQ(reported.line, GetParam().line);
    EXPECT_EQ(reported.description, "Couldn't get Method for new selector");
    EXPECT_NE(reported.file.find("MethodReplacement"), std::string::npos) << reported.file;
    EXPECT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
    EXPECT_FALSE(ownsMethod(b, "treeAnswer"));
}

INSTANTIATE_TEST_SUITE_P(
    EveryReplacingFunction, MissingNewSelectorTest,
    ::testing::Values(MissingSelectorCase{"IMP ZBReplaceMethodImplementationWithSelector(Class, SEL, SEL)",
                                          59, ZBReplaceMethodImplementationWithSelector},
                      MissingSelectorCase{
                          "IMP ZBReplaceMethodImplementationWithSelectorOnClass(Class, SEL, Class, SEL)", 67,
                          [](Class target, SEL selector, SEL replacement) {
                              return ZBReplaceMethodImplementationWithSelectorOnClass(target, selector,
                                                                                      target, replacement);
                          }},
                      MissingSelectorCase{"IMP ZBChainMethodImplementationWithSelector(Class, SEL, SEL)", 75,
                                          ZBChainMethodImplementationWithSelector}));

TEST_F(MethodReplacementTest, theDefaultAssertionHandlerRaisesOutOfTheChainAndNothingChanges)
{
    ASSERT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
    bool raised = false;
    try {
        ZBChainMethodImplementationWithSelector(b, sel_registerName("treeAnswer"),
                                                sel_registerName("noSuchReplacement"));
    } catch (...) {
        raised = true;
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(answers(), (AnswersOfTree{answerOfA, answerOfA, answerOfA, answerOfA}));
    EXPECT_FALSE(ownsMethod(b, "treeAnswer"));
}

} // namespace
