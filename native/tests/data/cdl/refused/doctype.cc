<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE ColorCorrection [<!ENTITY s "0.5">]>
<ColorCorrection id="a">
    <SatNode><Saturation>&s;</Saturation></SatNode>
</ColorCorrection>
