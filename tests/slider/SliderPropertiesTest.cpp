// Loading and saving, the setting a new instance writes, and the two ways
// a host reaches the properties. The clamps, and what the host is told of
// them, are the test container's properties script.
#include <QSettings>

#include "SliderHost.h"
#include "settings/SettingsStore.h"

using com::Variant;
using SliderLoad = SliderTest;
using SliderDispatch = SliderTest;

TEST_F(SliderLoad, SavesWhatDiffersFromTheDefaultsLoadsItQuietlyAndTheResizeMendsTheRest) {
    EXPECT_EQ(host.site->save().names(), (QStringList{"_ExtentX", "_ExtentY"}));
    s.setMax(200);
    s.setValue(150);
    s.setMin(-7);
    s.setEnabled(false);
    const hosting::PropertyBag bag = host.site->save();
    EXPECT_EQ(bag.names(), (QStringList{"_ExtentX", "_ExtentY", "Min", "Max", "Value", "Enabled"}));
    SliderHost reloaded(bag);
    EXPECT_EQ(reloaded.slider->Min(), -7);
    EXPECT_EQ(reloaded.slider->Max(), 200);
    EXPECT_EQ(reloaded.slider->Value(), 150);
    EXPECT_FALSE(reloaded.slider->Enabled());
    EXPECT_EQ(reloaded.changes(), 0);

    // Bags that break the invariants load unchanged; the resize's Value put
    // then lifts 10 to Min and says so with one Change.
    const auto saved = [](int min, int max, int value) {
        hosting::PropertyBag bag = hosting::PropertyBag::withExtent(1815, 240);
        for (const auto& [name, v] : {std::pair{"Min", min}, {"Max", max}, {"Value", value}})
            bag.WriteProperty(name, Variant(v));
        return bag;
    };
    SliderHost low(saved(50, 32767, 10));
    EXPECT_EQ(low.slider->Min(), 50);
    EXPECT_EQ(low.slider->Value(), 50);
    EXPECT_EQ(low.changes(), 1);
    // Min above Max stays so; Value goes to Max, then up to Min, and the
    // thumb sits at the track's left end.
    SliderHost crossed(saved(100, 50, 75));
    EXPECT_EQ(crossed.slider->Min(), 100);
    EXPECT_EQ(crossed.slider->Max(), 50);
    EXPECT_EQ(crossed.slider->Value(), 100);
    EXPECT_FLOAT_EQ(crossed.slider->picCur.Left(), crossed.slider->picBar.Left());
}

TEST(SliderNewInstance, TurnsShowAboutFromFalseToTrueOnly) {
    const QString app = QStringLiteral("工程1");
    using Case = std::pair<const char*, const char*>;  // stored (nullptr: none), after
    for (const auto& [stored, after] : {Case{nullptr, "True"}, Case{"False", "True"},
                                        Case{"false", "false"}, Case{"yes", "yes"}}) {
        TempConfig config;
        if (stored) config.writeStore(app, QByteArray("[Settings]\nShowAbout=") + stored + "\n");
        { SliderHost fresh{hosting::PropertyBag{}}; }
        settings::closeAllStores();
        // Written through to the file, not just kept in memory.
        QSettings file(config.storeFile(app), QSettings::IniFormat);
        EXPECT_EQ(file.value("Settings/ShowAbout").toString(), QString::fromLatin1(after))
            << (stored ? stored : "absent");
    }
    // Loading an instance is not creating one.
    TempConfig config;
    { SliderHost loaded; }
    settings::closeAllStores();
    EXPECT_TRUE(config.readStore(app).isEmpty());
}

TEST_F(SliderDispatch, EachIdentifierAndEachAccessorReachesItsOwnProperty) {
    using V = quillet::_NewHscrollbar;
    namespace id = quillet::dispid;
    struct Row {
        com::DispId id;
        com::HResult (V::*get)(int32_t*);
        com::HResult (V::*put)(int32_t);
        int32_t value;
    };
    // Values apart from each other and from the defaults, in an order no
    // clamp changes them in.
    const Row rows[] = {{id::Max, &V::get_Max, &V::put_Max, 900},
                        {id::Value, &V::get_Value, &V::put_Value, 800},
                        {id::SmallChange, &V::get_SmallChange, &V::put_SmallChange, 7},
                        {id::LargeChange, &V::get_LargeChange, &V::put_LargeChange, 60},
                        {id::Min, &V::get_Min, &V::put_Min, -20}};
    V& vtable = s;
    for (const Row& r : rows) host.site->put(r.id, Variant(int16_t(r.value)));
    for (const Row& r : rows) {
        int32_t got = 0;
        EXPECT_EQ((vtable.*r.get)(&got), com::hr::Ok);
        EXPECT_EQ(got, r.value) << r.id;
        EXPECT_EQ((vtable.*r.put)(r.value + 1), com::hr::Ok);
        EXPECT_EQ(host.site->get(r.id).toInt32(), r.value + 1) << r.id;
    }
    EXPECT_EQ(vtable.get_Value(nullptr), com::hr::Pointer);

    // Enabled is a Boolean, True being -1, both ways.
    EXPECT_EQ(host.site->get(id::Enabled).type(), com::VarType::Bool);
    EXPECT_EQ(host.site->get(id::Enabled).toInt32(), -1);
    host.site->put(id::Enabled, Variant(false));
    com::VariantBool enabled = com::kTrue;
    EXPECT_EQ(vtable.get_Enabled(&enabled), com::hr::Ok);
    EXPECT_EQ(enabled, com::kFalse);
    EXPECT_EQ(vtable.put_Enabled(com::kTrue), com::hr::Ok);
    EXPECT_TRUE(s.Enabled());
    EXPECT_EQ(errorOf([&] { host.site->get(1745027078); }), 438);
}
