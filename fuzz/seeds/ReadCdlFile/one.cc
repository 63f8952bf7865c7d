<ColorCorrection id="a"><SOPNode><Slope>1.1 1 0.9</Slope><Offset>0 0.01 0</Offset><Power>1 1 1.2</Power></SOPNode><SatNode><Saturation>0.8</Saturation></SatNode></ColorCorrection>
