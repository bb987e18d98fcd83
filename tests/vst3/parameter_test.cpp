// The one parameter as the controller presents it: info, texts from the core both
// ways, conversions, and the controller's value.
#include "tests/vst3/vst3_fixture.h"

using namespace hosting;

using namespace vst3;

TEST_F(StartedInstance, ParameterInfoComesFromTheCore) {
  IEditController* controller = instance->controller;
  ASSERT_EQ(V3CALL(controller, getParameterCount), 1);
  ParameterInfo info{};
  ASSERT_EQ(V3CALL(controller, getParameterInfo, 0, &info), kResultOk);
  EXPECT_EQ(info.id, 0u);
  EXPECT_EQ(utf8(info.title), "stereo / mono");
  EXPECT_EQ(info.stepCount, 1);
  EXPECT_EQ(info.defaultNormalizedValue, 0.0);
  EXPECT_EQ(info.unitId, kRootUnitId);
  EXPECT_EQ(info.flags, kCanAutomate | kIsList);
  EXPECT_EQ(V3CALL(controller, getParameterInfo, 1, &info), kInvalidArgument);
  EXPECT_EQ(V3CALL(controller, getParameterInfo, -1, &info), kInvalidArgument);
}

TEST_F(StartedInstance, DisplayTextsBothWaysAndConversions) {
  IEditController* controller = instance->controller;
  String128 text{};
  const std::pair<double, const char*> shown[] = {{0.0, "stereo"}, {0.49, "stereo"}, {0.5, "mono"}, {1.0, "mono"}};
  for (const auto& [value, expected] : shown) {
    ASSERT_EQ(V3CALL(controller, getParamStringByValue, 0, value, text), kResultOk);
    EXPECT_EQ(utf8(text), expected) << value;
  }
  EXPECT_EQ(V3CALL(controller, getParamNormalized, 0), 0.0) << "texts of other values leave the value alone";
  double value = -1.0;
  char16 mono[] = u"mono";
  char16 stereo[] = u"stereo";
  char16 other[] = u"wide";
  ASSERT_EQ(V3CALL(controller, getParamValueByString, 0, mono, &value), kResultOk);
  EXPECT_EQ(value, 1.0);
  ASSERT_EQ(V3CALL(controller, getParamValueByString, 0, stereo, &value), kResultOk);
  EXPECT_EQ(value, 0.0);
  EXPECT_EQ(V3CALL(controller, getParamValueByString, 0, other, &value), kResultFalse);
  EXPECT_EQ(V3CALL(controller, normalizedParamToPlain, 0, 0.0), 0.0);
  EXPECT_EQ(V3CALL(controller, normalizedParamToPlain, 0, 0.49), 0.0);
  EXPECT_EQ(V3CALL(controller, normalizedParamToPlain, 0, 0.5), 1.0);
  EXPECT_EQ(V3CALL(controller, normalizedParamToPlain, 0, 1.0), 1.0);
  EXPECT_EQ(V3CALL(controller, plainParamToNormalized, 0, 1.0), 1.0);
  EXPECT_EQ(V3CALL(controller, plainParamToNormalized, 0, 0.0), 0.0);
  EXPECT_EQ(V3CALL(controller, setParamNormalized, 0, 1.0), kResultOk);
  EXPECT_EQ(V3CALL(controller, getParamNormalized, 0), 1.0);
  EXPECT_EQ(V3CALL(controller, setParamNormalized, 1, 1.0), kInvalidArgument);
}
