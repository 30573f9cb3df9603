// The slider's properties as a host sees them: clamps and their order,
// Change and the host notification, persistence, a new instance's defaults,
// Enabled in design and run mode, overflow, and the dispatch interface.
#include <gtest/gtest.h>

#include <QSettings>

#include "SliderHost.h"
#include "settings/SettingsStore.h"

using com::Variant;
using quillet::dispid::Value;

TEST(SliderValue, ClampsRaisesChangeOnlyOnChangeAndAlwaysNotifies) {
    TempConfig config;
    SliderHost host;
    host.forget();
    host.slider->setValue(40000);
    EXPECT_EQ(host.slider->Value(), 32767);
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(host.valueNotices(), 1);

    host.slider->setValue(32767);
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(host.valueNotices(), 2) << "the host hears of every put, changed or not";

    host.slider->setValue(-5);
    EXPECT_EQ(host.slider->Value(), 0);
    EXPECT_EQ(host.changes, 2);
}

TEST(SliderValue, MinAndMaxClampAgainstEachOtherAndReclampValue) {
    TempConfig config;
    SliderHost host;
    host.slider->setValue(30000);
    host.forget();

    host.slider->setMax(-100);  // below Min 0
    EXPECT_EQ(host.slider->Max(), 0);
    EXPECT_EQ(host.slider->Value(), 0);
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(host.notified, (QStringList{"Value", "Max"}));

    host.slider->setMin(500);  // above Max 0
    EXPECT_EQ(host.slider->Min(), 0);

    host.slider->setMax(1000);
    host.slider->setMin(200);
    EXPECT_EQ(host.slider->Value(), 200);

    host.forget();
    host.slider->setSmallChange(-3);
    host.slider->setLargeChange(0);
    EXPECT_EQ(host.slider->SmallChange(), -3);
    EXPECT_EQ(host.slider->LargeChange(), 0);
    EXPECT_EQ(host.notified, (QStringList{"SmallChange", "LargeChange"}));
    EXPECT_EQ(host.changes, 0);
}

TEST(SliderLoad, BagsThatBreakTheInvariantsAreFixedByTheResize) {
    TempConfig config;
    // Loaded unchanged, then the resize's Value put lifts 10 to Min and says
    // so with one Change.
    SliderHost low(savedBag({{"Min", Variant(50)}, {"Value", Variant(10)}}));
    EXPECT_EQ(low.slider->Min(), 50);
    EXPECT_EQ(low.slider->Value(), 50);
    EXPECT_EQ(low.changes, 1);

    // Min above Max stays so; Value goes to Max, then up to Min, and the
    // thumb sits at the track's left end.
    SliderHost crossed(
        savedBag({{"Min", Variant(100)}, {"Max", Variant(50)}, {"Value", Variant(75)}}));
    EXPECT_EQ(crossed.slider->Min(), 100);
    EXPECT_EQ(crossed.slider->Max(), 50);
    EXPECT_EQ(crossed.slider->Value(), 100);
    EXPECT_FLOAT_EQ(crossed.slider->picCur.Left(), crossed.slider->picBar.Left());
}

TEST(SliderLoad, SavesOnlyWhatDiffersFromTheDefaultsInTableOrder) {
    TempConfig config;
    SliderHost host;
    EXPECT_EQ(host.site->save().names(), (QStringList{"_ExtentX", "_ExtentY"}));

    host.slider->setMax(200);
    host.slider->setValue(150);
    host.slider->setMin(-7);
    host.slider->setEnabled(false);
    const hosting::PropertyBag bag = host.site->save();
    EXPECT_EQ(bag.names(), (QStringList{"_ExtentX", "_ExtentY", "Min", "Max", "Value", "Enabled"}));

    SliderHost reloaded(bag);
    EXPECT_EQ(reloaded.slider->Min(), -7);
    EXPECT_EQ(reloaded.slider->Max(), 200);
    EXPECT_EQ(reloaded.slider->Value(), 150);
    EXPECT_FALSE(reloaded.slider->Enabled());
    EXPECT_EQ(reloaded.changes, 0);
}

TEST(SliderNewInstance, StartsAtTheDefaultsWithoutChange) {
    TempConfig config;
    SliderHost host{hosting::PropertyBag{}};
    EXPECT_EQ(host.slider->Min(), 0);
    EXPECT_EQ(host.slider->Max(), 32767);
    EXPECT_EQ(host.slider->Value(), 0);
    EXPECT_EQ(host.slider->SmallChange(), 1);
    EXPECT_EQ(host.slider->LargeChange(), 1);
    EXPECT_TRUE(host.slider->Enabled());
    EXPECT_EQ(host.changes, 0);
    EXPECT_TRUE(host.notified.contains(QStringLiteral("Enabled")));
}

TEST(SliderNewInstance, TurnsShowAboutFromFalseToTrueOnly) {
    const QString app = QStringLiteral("工程1");
    struct Case {
        const char* stored;  // nullptr: no entry
        const char* after;
    };
    for (const Case& c : {Case{nullptr, "True"}, Case{"False", "True"}, Case{"false", "false"},
                          Case{"yes", "yes"}}) {
        TempConfig config;
        if (c.stored)
            config.writeStore(app, QByteArray("[Settings]\nShowAbout=") + c.stored + "\n");
        { SliderHost fresh{hosting::PropertyBag{}}; }
        settings::closeAllStores();
        // Written through to the file, not just kept in memory.
        QSettings file(config.storeFile(app), QSettings::IniFormat);
        EXPECT_EQ(file.value("Settings/ShowAbout").toString(), QString::fromLatin1(c.after))
            << (c.stored ? c.stored : "absent");
    }
    // Loading an instance is not creating one.
    TempConfig config;
    { SliderHost loaded; }
    settings::closeAllStores();
    EXPECT_TRUE(config.readStore(app).isEmpty());
}

TEST(SliderEnabled, DesignModeKeepsTheControlUsable) {
    TempConfig config;
    SliderHost design(hosting::PropertyBag::withExtent(1815, 240), 1815, 240, false);
    design.slider->setEnabled(false);
    EXPECT_FALSE(design.slider->Enabled());
    EXPECT_TRUE(design.slider->UserControl::Enabled());
    EXPECT_TRUE(design.slider->window()->isEnabled());

    SliderHost run;
    run.slider->setEnabled(false);
    EXPECT_FALSE(run.slider->UserControl::Enabled());
    EXPECT_FALSE(run.slider->picCur.widget()->isEnabled());
    run.slider->setEnabled(true);
    EXPECT_TRUE(run.slider->picCur.widget()->isEnabled());

    // Loading: the stored state at run time, always enabled in a designer.
    const auto disabled = savedBag({{"Enabled", Variant(false)}});
    SliderHost loadedRun(disabled);
    EXPECT_FALSE(loadedRun.slider->UserControl::Enabled());
    SliderHost loadedDesign(disabled, 1815, 240, false);
    EXPECT_FALSE(loadedDesign.slider->Enabled());
    EXPECT_TRUE(loadedDesign.slider->UserControl::Enabled());
}

TEST(SliderOverflow, IsError6AndKeepsWhatWasAssigned) {
    TempConfig config;
    SliderHost host;
    host.slider->setValue(100);
    const float thumb = host.slider->picCur.Left();
    host.forget();

    // Max - Min leaves the 32-bit range: Min is stored, the thumb stays, the
    // host hears nothing and no Change is raised.
    EXPECT_EQ(errorOf([&] { host.slider->setMin(INT32_MIN); }), 6);
    EXPECT_EQ(host.slider->Min(), INT32_MIN);
    EXPECT_EQ(host.slider->Value(), 100);
    EXPECT_FLOAT_EQ(host.slider->picCur.Left(), thumb);
    EXPECT_TRUE(host.notified.isEmpty());
    EXPECT_EQ(host.changes, 0);

    // The green term leaves 16 bits above 4,188,714.
    host.slider->setMin(0);
    host.slider->setMax(5000000);
    host.slider->setValue(4188714);
    host.forget();
    const float placed = host.slider->picCur.Left();
    EXPECT_EQ(errorOf([&] { host.site->put(Value, Variant(4188715)); }), 6);
    EXPECT_EQ(host.slider->Value(), 4188715);
    EXPECT_FLOAT_EQ(host.slider->picCur.Left(), placed);
    EXPECT_TRUE(host.notified.isEmpty());
    EXPECT_EQ(host.changes, 0);

    // Through the accessor table the failure is the status of error 6.
    EXPECT_EQ(host.slider->put_Value(4200000), com::hr::fromError(6));
}

TEST(SliderDispatch, PropertiesByIdentifierAndAccessorTable) {
    TempConfig config;
    SliderHost host;
    host.site->put(quillet::dispid::Max, Variant(int16_t(300)));
    host.site->put(quillet::dispid::Min, Variant(QStringLiteral("-20")));
    host.site->put(Value, Variant(250.5));  // ties to even: 250
    EXPECT_EQ(host.site->get(quillet::dispid::Min).toInt32(), -20);
    EXPECT_EQ(host.site->get(Value).toInt32(), 250);
    EXPECT_EQ(host.site->get(quillet::dispid::Enabled).type(), com::VarType::Bool);
    EXPECT_EQ(host.site->get(quillet::dispid::Enabled).toInt32(), -1);
    host.site->put(quillet::dispid::Enabled, Variant(false));
    EXPECT_FALSE(host.slider->Enabled());
    EXPECT_EQ(errorOf([&] { host.site->put(Value, Variant(QStringLiteral("much"))); }), 13);
    EXPECT_EQ(errorOf([&] { host.site->get(1745027078); }), 438);

    quillet::_NewHscrollbar& vtable = *host.slider;
    int32_t v = 0;
    EXPECT_EQ(vtable.put_SmallChange(7), com::hr::Ok);
    EXPECT_EQ(vtable.get_SmallChange(&v), com::hr::Ok);
    EXPECT_EQ(v, 7);
    com::VariantBool enabled = 0;
    EXPECT_EQ(vtable.put_Enabled(com::kTrue), com::hr::Ok);
    EXPECT_EQ(vtable.get_Enabled(&enabled), com::hr::Ok);
    EXPECT_EQ(enabled, com::kTrue);
    EXPECT_EQ(vtable.get_Value(nullptr), com::hr::Pointer);
}
