<ColorCorrection name="shot_042">
    <SOPNode>
        <Slope>1.05 1 0.95</Slope>
        <Offset>0.01 0 -0.02</Offset>
        <Power>1 1.1 0.9</Power>
    </SOPNode>
    <SatNode>
        <Saturation>0.85</Saturation>
    </SatNode>
</ColorCorrection>
