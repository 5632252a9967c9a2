// The bridge's vehicle: wheels on the ground, motor, brake and steering, the inputs it checks,
// and the tyre function it samples for display.
#include "PhysicsFixture.h"

#include "TestUtil.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>

using namespace physics_test;

TEST_F(TPhysicsTest, VehicleSettlesWithEveryWheelOnTheGround)
{
    TVehicle v(Pose(0, 3, 0));
    ASSERT_TRUE(v.Created);
    EXPECT_NE(v.Rec.Actor, nullptr);
    for (int w = 0; w < 4; ++w)
        EXPECT_NE(v.Rec.Wheels[w].Shape, nullptr);
    ASSERT_TRUE(PerformKexPhysics(kStep));
    for (int w = 0; w < 4; ++w)
    {
        // High in the air: the wheel hangs at full travel below its mount.
        const PhysXWheelData& wd = v.Rec.Wheels[w];
        EXPECT_EQ(wd.OnGround, 0) << w;
        EXPECT_EQ(wd.Suspension, 1.0f) << w;
        const KexVec3& mount = v.Props.Wheels[w].Centre;
        const float expect = v.Rec.Pose.t.y + mount.y - v.Props.Wheels[w].Travel;
        EXPECT_NEAR(wd.Pose.t.y, expect, 0.01f) << w;
    }
    v.Drive(3, 0);
    for (int w = 0; w < 4; ++w)
    {
        const PhysXWheelData& wd = v.Rec.Wheels[w];
        EXPECT_EQ(wd.OnGround, 1) << w;
        EXPECT_GT(wd.Suspension, 0.0f) << w;
        EXPECT_LT(wd.Suspension, 1.0f) << w;
        EXPECT_NEAR(wd.ContactPoint.y, 0.0f, 0.01f) << w;
        EXPECT_NEAR(wd.Pose.t.y, 0.5f, 0.01f) << w; // one radius above the contact
    }
    EXPECT_LT(v.Speed(), 0.05f);
}

TEST_F(TPhysicsTest, VehicleAcceleratesBrakesAndSteers)
{
    TVehicle v(Pose(0, 0.5f, 0));
    ASSERT_TRUE(v.Created);
    v.Drive(1, 0);
    const KexVec3 start = v.Rec.Pose.t;
    v.Drive(3, 100);
    const float speed = v.Speed();
    EXPECT_GT(speed, 5.0f);
    EXPECT_GT(v.Rec.Pose.t.z - start.z, 5.0f); // forward is +Z
    EXPECT_NEAR(v.Rec.Pose.t.x, start.x, 0.05f);
    for (int w = 0; w < 4; ++w)
    {
        EXPECT_GT(v.Rec.Wheels[w].AxleSpeed, 0.0f);
        EXPECT_EQ(v.Rec.Wheels[w].OnGround, 1);
        EXPECT_GE(v.Rec.Wheels[w].Roll, -6.2832f);
        EXPECT_LE(v.Rec.Wheels[w].Roll, 6.2832f);
    }
    v.Drive(2, 0, 1200);
    EXPECT_LT(v.Speed(), 0.05f);
    for (int w = 0; w < 4; ++w)
        EXPECT_EQ(v.Rec.Wheels[w].AxleSpeed, 0.0f);

    // Steering either way turns the heading that way.
    for (const float steer : {0.25f, -0.25f})
    {
        const float before = v.Heading();
        v.Drive(3, 100, 0, steer);
        const float turned = std::remainder(v.Heading() - before, 6.2831853f);
        EXPECT_GT(turned * steer, 0.1f) << "steer " << steer;
        v.Drive(2, 0, 1200);
    }
}

TEST_F(TPhysicsTest, VehicleInputsAreChecked)
{
    TVehicle v(Pose(0, 0.5f, 0));
    TVehicle second(Pose(20, 0.5f, 0));
    ASSERT_TRUE(v.Created && second.Created);
    Messages().clear();
    UpdateKexVehicle(nullptr);
    UpdateKexVehicle(v.Rec.Actor); // not the last vehicle made
    TBody ball(KexShapeBall, {1, 0, 0}, Pose(0, 9, 9), true);
    SetKexVehicleProperties(ball.Rec.Actor, &v.Props);
    EXPECT_EQ(CountMessages("dll.UpdateKexVehicle(): Vehicle is null"), 1);
    EXPECT_EQ(CountMessages("dll.UpdateKexVehicle(): Vehicle pointer mismatch."), 1);
    EXPECT_EQ(CountMessages("dll.SetKexVehicleProperties(): Vehicle doesn't exist"), 1);

    // Both vehicles keep their records fresh.
    second.Drive(0.5f, 0);
    EXPECT_EQ(v.Rec.Wheels[0].OnGround, 1);
    EXPECT_EQ(second.Rec.Wheels[0].OnGround, 1);

    Messages().clear();
    const float nan = std::nanf("");
    second.Rec.Wheels[0].MotorTorque = nan;
    second.Rec.Wheels[1].BrakeTorque = nan;
    second.Rec.Wheels[2].SteerAngle = nan;
    second.Rec.BalanceForce = {INFINITY, 0, 0};
    UpdateKexVehicle(second.Rec.Actor);
    EXPECT_EQ(second.Rec.Wheels[0].MotorTorque, 0.0f);
    EXPECT_EQ(second.Rec.Wheels[1].BrakeTorque, 0.0f);
    EXPECT_EQ(CountMessages("dll.UpdateKexVehicle(): Engine torque NaN"), 1);
    EXPECT_EQ(CountMessages("dll.UpdateKexVehicle(): Brake torque NaN"), 1);
    EXPECT_EQ(CountMessages("dll.UpdateKexVehicle(): Steer angle NaN"), 1);
    EXPECT_EQ(CountMessages("dll.UpdateKexVehicle(): Balance force out of bounds!"), 1);
    Simulate(1);
    EXPECT_TRUE(std::isfinite(second.Rec.Pose.t.y));
    EXPECT_NEAR(second.Rec.Pose.t.y, v.Rec.Pose.t.y, 0.02f);

    // A bad chassis value is reported and left out.
    Messages().clear();
    second.Props.CentreOfGravity.x = INFINITY;
    second.Props.ChassisShape.Mass = nan;
    second.Rec.Wheels[3].Shape = nullptr;
    SetKexVehicleProperties(second.Rec.Actor, &second.Props);
    EXPECT_EQ(CountMessages("dll.SetKexVehicleProperties(): Invalid C of G"), 1);
    EXPECT_EQ(CountMessages("dll.SetKexVehicleProperties(): Invalid Chassis mass"), 1);
    EXPECT_EQ(CountMessages("dll.SetKexVehicleProperties(): Invalid vehicle wheel."), 1);
    Simulate(0.5f);
    EXPECT_TRUE(std::isfinite(second.Rec.Pose.t.y));

    KexCreateVehicleProperties tooMany = v.Props;
    tooMany.WheelCount = 5;
    EXPECT_FALSE(CreateKexVehicle(&tooMany));
}

TEST(KexTireFunction, CurveSamplesTheFunctionTheWheelsUse)
{
    CloseKexPhysics();                                           // works without the engine
    const KexTireFnProperties f{2.0f, 0.1f, 1.2f, 1.8f, 900000}; // value, slip, value, slip
    KexGraphPoint points[20];
    ASSERT_TRUE(GetTireFnCurve(points, 20, &f, 1.2f * 1.8f));
    for (int i = 0; i < 20; ++i)
        EXPECT_NEAR(points[i].x, i * 0.06f * 1.8f, 1e-5) << i;
    EXPECT_EQ(points[0].y, 0.0f);
    EXPECT_NEAR(points[19].y, 1.2f, 1e-6); // past the asymptote slip

    // At the extremum slip the curve peaks; it is odd in the slip.
    KexGraphPoint around[3], mirrored[3];
    ASSERT_TRUE(GetTireFnCurve(around, 3, &f, 0.15f)); // x = 0, 0.05, 0.1
    EXPECT_NEAR(around[2].y, 2.0f, 1e-5);
    EXPECT_NEAR(around[1].y, 2.0f * (-0.125f + 0.25f + 0.5f), 1e-5);
    ASSERT_TRUE(GetTireFnCurve(mirrored, 3, &f, -0.15f));
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(mirrored[i].y, -around[i].y);

    const KexTireFnProperties invalid[] = {
        {2.0f, 1.8f, 1.2f, 1.8f, 1}, // extremum slip not below the asymptote slip
        {0.0f, 0.1f, 1.2f, 1.8f, 1}, // zero extremum value
        {2.0f, 0.1f, 1.2f, 1.8f, -1},
    };
    for (const KexTireFnProperties& bad : invalid)
    {
        points[0] = {7, 7};
        EXPECT_FALSE(GetTireFnCurve(points, 20, &bad, 2));
        EXPECT_EQ(points[0].x, 7.0f);
    }
    EXPECT_FALSE(GetTireFnCurve(points, 0, &f, 2));
    EXPECT_FALSE(GetTireFnCurve(nullptr, 20, &f, 2));
}

TEST(Ze2Physics, DropAndDrive)
{
    TRunResult drop = RunProgram({ZE2_BINARY, "physics", "drop", "--height", "32"});
    ASSERT_EQ(drop.ExitCode, 0) << drop.Err;
    float contact = 0, rest = 0;
    ASSERT_EQ(std::sscanf(drop.Out.c_str(), "contact\t%f\nresty\t%f", &contact, &rest), 2)
        << drop.Out;
    EXPECT_NEAR(contact, std::sqrt(2 * 32 / kGravity), 0.01 * std::sqrt(2.0));
    EXPECT_NEAR(rest, 1.0f, 0.01f);

    TRunResult drive = RunProgram({ZE2_BINARY, "physics", "drive", "--seconds", "6", "--torque",
                                   "100", "--brake-after", "4"});
    ASSERT_EQ(drive.ExitCode, 0) << drive.Err;
    std::vector<std::array<float, 5>> rows;
    std::istringstream in(drive.Out);
    std::string line;
    while (std::getline(in, line))
    {
        std::array<float, 5> r{};
        ASSERT_EQ(
            std::sscanf(line.c_str(), "%f\t%f\t%f\t%f\t%f", &r[0], &r[1], &r[2], &r[3], &r[4]), 5)
            << line;
        rows.push_back(r);
    }
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0][0], 1.0f);
    EXPECT_GT(rows[3][3], rows[0][3]); // faster under torque
    EXPECT_GT(rows[3][2], rows[0][2]); // moving along +z
    EXPECT_LT(rows[5][3], 0.1f);       // stopped by the brake

    EXPECT_EQ(RunProgram({ZE2_BINARY, "physics", "drop"}).ExitCode, 2);
    EXPECT_EQ(
        RunProgram({ZE2_BINARY, "physics", "drive", "--seconds", "x", "--torque", "1"}).ExitCode,
        2);
}
