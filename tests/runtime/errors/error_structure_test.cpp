#include "runtime/errors/error_structure.h"

#include <gtest/gtest.h>

#include "runtime/values/references.h"

namespace kx {
namespace {

TEST(ReferencesTest, ResolveOnlyWhileRegisteredAndOnlyAsTheirKind) {
  const char text[] = "DBFCDX";
  const uint32_t ref = make_reference(text, sizeof text, RefKind::kText);
  ASSERT_NE(ref, 0u);
  const auto block = resolve_reference(ref, RefKind::kText);
  ASSERT_TRUE(block.has_value());
  EXPECT_EQ(block->data, static_cast<const void*>(text));
  EXPECT_EQ(block->size, sizeof text);
  EXPECT_FALSE(resolve_reference(ref, RefKind::kValue).has_value());
  release_reference(ref);
  EXPECT_FALSE(resolve_reference(ref, RefKind::kText).has_value());
  EXPECT_FALSE(resolve_reference(0, RefKind::kText).has_value());
  if constexpr (sizeof(void*) == 4) {
    EXPECT_EQ(ref, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
  }
}

TEST(ErrorStructureTest, LaysOutNumbersLittleEndianAndTextsByReference) {
  RuntimeError d;
  d.subsystem = "DBFCDX";
  d.subcode = 0x01020304;
  d.can_retry = true;
  d.funcsym = Symbol::intern("DBSEEK");
  d.funcptr = 0xA0B0C0D0u;
  d.choice = 6;
  const size_t before = live_references();
  {
    const ErrorStructure s(d);
    const uint8_t* b = s.bytes().data();
    EXPECT_EQ(b[kEsSubcode], 0x04);
    EXPECT_EQ(b[kEsSubcode + 3], 0x01);
    EXPECT_EQ(load_le32(b + kEsCanRetry), 1u);
    EXPECT_EQ(load_le32(b + kEsCanDefault), 0u);
    EXPECT_EQ(load_le32(b + kEsFuncptr), 0xA0B0C0D0u);
    EXPECT_EQ(load_le32(b + kEsChoice), 6u);
    EXPECT_EQ(load_le32(b + kEsSeverity), 2u);
    EXPECT_EQ(structure_text(load_le32(b + kEsSubsystem)), "DBFCDX");
    EXPECT_EQ(structure_symbol(load_le32(b + kEsFuncsym)), Symbol::intern("DBSEEK"));
    EXPECT_EQ(load_le32(b + kEsOperation), 0u);
    EXPECT_EQ(load_le32(b + kEsArgs), 0u);
    EXPECT_EQ(live_references(), before + 2);
  }
  EXPECT_EQ(live_references(), before);
}

TEST(ErrorStructureTest, TextWithoutTerminatorEndsWithItsBlock) {
  const char bytes[] = {'A', 'B', 'C'};
  const uint32_t ref = make_reference(bytes, 2, RefKind::kText);
  EXPECT_EQ(structure_text(ref), "AB");
  release_reference(ref);
}

TEST(ErrorStructureTest, ArgumentBlockTooShortForItsHeaderHasNoArguments) {
  const uint8_t block[3] = {1, 0, 1};
  const uint32_t ref = make_reference(block, sizeof block, RefKind::kArgumentBlock);
  EXPECT_TRUE(structure_arguments(ref).empty());
  release_reference(ref);
}

}  // namespace
}  // namespace kx
