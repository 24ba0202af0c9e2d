#include "plot/PlotClipboard.h"

#include <gtest/gtest.h>

#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"

class PlotClipboard : public HeadlessTest {};

TEST_F(PlotClipboard, PutsACopyOfThePictureThereAndReplacesEarlierContent) {
  platform::MetafileRecorder recorder;
  recorder.MoveTo({0, 0});
  recorder.LineTo({100, 50});
  const platform::Metafile picture = recorder.Close();
  ASSERT_TRUE(platform::Current().SetClipboardText("old table"));
  ASSERT_TRUE(CopyMetafileToClipboard(picture, nullptr));
  EXPECT_FALSE(backend().ClipboardText());
  const auto copy = backend().ClipboardPicture();
  ASSERT_TRUE(copy);
  EXPECT_EQ(LogLinesWith("clipboard picture 13000x9000").size(), 1u);
  // The copy replays the same drawing.
  platform::RecordingCanvas a, b;
  picture.Play(a);
  copy->Play(b);
  ASSERT_FALSE(a.Calls().empty());
  EXPECT_EQ(a.Calls().size(), b.Calls().size());
}
