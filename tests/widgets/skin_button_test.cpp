// CreateSkinButton's look and the skinned button's click rules, on the host widget layer.
#include <gtest/gtest.h>

#include "gs/gs_button.h"
#include "sim/probes/widgets_probe.h"
#include "platform/messages.h"
#include "platform/widgets.h"
#include "ui/skin_button.h"

namespace {

using namespace platform;

RgbaImage Face(int width, int height, std::uint8_t shade) {
  RgbaImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * height * 4, shade);
  return image;
}

struct Faces {
  RgbaImage background = Face(116, 43, 1);
  RgbaImage raised = Face(96, 24, 2);
  RgbaImage hovered = Face(96, 24, 3);
  RgbaImage sunken = Face(96, 24, 4);
  RgbaImage disabled = Face(96, 24, 5);
};

std::unique_ptr<Form> MakeForm() {
  FormSpec spec;
  spec.name = L"dlgFirst";
  spec.clientWidth = 712;
  spec.clientHeight = 302;
  auto form = CreateForm(spec);
  form->Show();
  return form;
}

TEST(CreateSkinButton, SharedFacesGiveA96By24ButtonWithTheProgramsFontsGlowAndOffsets) {
  auto form = MakeForm();
  Faces faces;
  std::unique_ptr<gs::GsButton> next;
  ui::CreateSkinButton(*form, faces.background, next, 600, 271, faces.raised, faces.hovered, faces.sunken,
                       faces.disabled, L"Next", L"Next", L"btnNext");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->Left(), 600);
  EXPECT_EQ(next->Top(), 271);
  EXPECT_EQ(next->Width(), 96);
  EXPECT_EQ(next->Height(), 24);
  EXPECT_TRUE(next->Visible());
  EXPECT_EQ(next->Caption(), L"Next");
  EXPECT_EQ(next->Hint(), L"Next");
  EXPECT_TRUE(next->ShowHint());

  // What the control draws with.
  const SkinButtonLook& look = next->Control().Look();
  EXPECT_EQ(look.raised, faces.raised);
  EXPECT_EQ(look.hovered, faces.hovered);
  EXPECT_EQ(look.sunken, faces.sunken);
  EXPECT_EQ(look.disabled, faces.disabled);
  EXPECT_EQ(look.inputBackground, faces.background);
  EXPECT_EQ(look.raisedText.font.name, L"Microsoft Sans Serif");
  EXPECT_EQ(look.raisedText.font.color, (Color{239, 239, 239}));
  EXPECT_FALSE(look.raisedText.font.bold);
  EXPECT_EQ(look.raisedText.glowOpacity, 0);

  EXPECT_EQ(look.hoveredText.font.color, (Color{113, 227, 255}));
  EXPECT_TRUE(look.hoveredText.font.bold);
  EXPECT_EQ(look.hoveredText.glowOpacity, 160);
  EXPECT_EQ(look.hoveredText.glowRadius, 0);
  EXPECT_EQ(look.hoveredText.offsetX, 0);

  EXPECT_EQ(look.sunkenText.font.color, (Color{113, 227, 255}));
  EXPECT_TRUE(look.sunkenText.font.bold);
  EXPECT_EQ(look.sunkenText.offsetX, 1);
  EXPECT_EQ(look.sunkenText.offsetY, 1);
  EXPECT_GT(look.sunkenText.glowOpacity, 0) << "a pressed caption glows too";

  EXPECT_EQ(look.disabledText.font.color, (Color{0, 0, 0}));
  EXPECT_FALSE(look.disabledText.font.bold);

  // The model's published properties say the same.
  EXPECT_EQ(next->TextEffect.Hovered.Opacity, 160);
  EXPECT_EQ(next->Font.Color, (Color{239, 239, 239}));
  EXPECT_EQ(&next->Control(), form->FindControl(L"btnNext"));
}

TEST(CreateSkinButton, TheRefreshButtonIs22By22WithEmptyCaptionAndHintAndHintsOn) {
  auto form = MakeForm();
  Panel* page = form->AddPanel({L"panSelectUsb", {180, 0, 525, 205}});
  Faces shared;
  RgbaImage refresh1 = Face(22, 22, 7), refresh2 = Face(22, 22, 8), refresh3 = Face(22, 22, 9);
  std::unique_ptr<gs::GsButton> refresh;
  ui::CreateSkinButton(*page, shared.background, refresh, 444, 104, refresh1, refresh2, refresh3, refresh1, L"", L"");
  EXPECT_EQ(refresh->Width(), 22);
  EXPECT_EQ(refresh->Height(), 22);
  EXPECT_EQ(refresh->Caption(), L"");
  EXPECT_EQ(refresh->Hint(), L"");
  EXPECT_TRUE(refresh->ShowHint());
  EXPECT_EQ(refresh->Control().Look().disabled, refresh1);
  EXPECT_EQ(&refresh->Control().OwnerForm(), form.get());
  EXPECT_FALSE(refresh->Control().Name().empty());

  // Absent caption and hint leave them unset and hints off.
  std::unique_ptr<gs::GsButton> bare;
  ui::CreateSkinButton(*form, shared.background, bare, 0, 0, shared.raised, shared.hovered, shared.sunken,
                       shared.disabled, std::nullopt, std::nullopt);
  EXPECT_FALSE(bare->ShowHint());
  EXPECT_EQ(bare->Caption(), L"");
  EXPECT_NE(bare->Control().Name(), refresh->Control().Name());
}

TEST(CreateSkinButton, ClicksReachTheHandlerOnlyWhileTheButtonIsEnabledAndVisible) {
  auto form = MakeForm();
  Faces faces;
  std::unique_ptr<gs::GsButton> back;
  ui::CreateSkinButton(*form, faces.background, back, 480, 271, faces.raised, faces.hovered, faces.sunken,
                       faces.disabled, L"&Back", L"Back", L"btnBack");
  int clicks = 0;
  back->SetOnClick([&] { ++clicks; });
  back->SetTag(2);

  host::Click(back->Control());
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1);

  back->SetEnabled(false);
  EXPECT_EQ(back->State(), SkinButtonState::Disabled);
  host::Click(back->Control());
  host::PressKey(back->Control(), KeyPress{kVkSpace});
  back->Click();
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1) << "a disabled button ignores every click";

  back->SetEnabled(true);
  back->SetVisible(false);
  host::Click(back->Control());
  back->Click();
  PumpPendingMessages();
  EXPECT_EQ(clicks, 1);

  back->SetVisible(true);
  back->Click();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(back->Tag(), 2);
  EXPECT_EQ(back->State(), SkinButtonState::Raised);

  // A changed look takes effect only when applied.
  back->TextEffect.Hovered.Opacity = 40;
  EXPECT_EQ(back->Control().Look().hoveredText.glowOpacity, 160);
  back->ApplyLook();
  EXPECT_EQ(back->Control().Look().hoveredText.glowOpacity, 40);
}

}  // namespace
