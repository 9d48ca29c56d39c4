#pragma once

#include "kit/layout/MASCompositeConstraint.h"
#include "kit/layout/MASLayoutConstraint.h"
#include "kit/layout/MASViewConstraint.h"
#include "kit/layout/ViewMASAdditions.h"
#include "platform/layout/LayoutEngine.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// A 400 × 300 superview that keeps its frame, with two subviews to constrain.
class KitLayoutFixture : public testing::Test
{
protected:
    void SetUp() override
    {
        root.resize(400, 300);
        a = new QWidget(&root);
        b = new QWidget(&root);
    }

    static MASViewConstraint* viewConstraint(const std::shared_ptr<MASConstraint>& c)
    {
        return dynamic_cast<MASViewConstraint*>(c.get());
    }
    static MASCompositeConstraint* composite(const std::shared_ptr<MASConstraint>& c)
    {
        return dynamic_cast<MASCompositeConstraint*>(c.get());
    }
    static void layout() { platform::layout::LayoutEngine::layoutIfNeeded(); }

    QWidget root;
    QWidget* a = nullptr;
    QWidget* b = nullptr;
};
